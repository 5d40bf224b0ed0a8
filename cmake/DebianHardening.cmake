# Debian's hardening flags, as Debian's own packages are built: the compiler
# and linker flags that `dpkg-buildflags` gives with every hardening feature
# on (stack protector, FORTIFY, format checks, full RELRO and immediate
# binding; PIE is the compiler's default), plus stack-clash and control-flow
# protection, which this release's dpkg does not add yet. The optimisation and
# debug options of dpkg-buildflags are left to the build type.
#
# korivanta_hardening_flags(<compile-var> <link-var>)
function(korivanta_hardening_flags compile_var link_var)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  set(flags)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              ${DPKG_BUILDFLAGS} --get ${kind}
      OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(value UNIX_COMMAND "${value}")
    set(${kind} ${value})
  endforeach()
  set(compile)
  foreach(flag IN LISTS CPPFLAGS CXXFLAGS)
    if(NOT flag MATCHES "^-(g|O[0-9s]?|ffile-prefix-map=.*|fdebug-prefix-map=.*)$")
      list(APPEND compile ${flag})
    endif()
  endforeach()
  foreach(flag -fstack-clash-protection -fcf-protection)
    if(NOT flag IN_LIST compile)
      list(APPEND compile ${flag})
    endif()
  endforeach()
  # Debian 12's C start-up files carry no control-flow note, so the linker
  # would drop the one every object compiled here has: the programs are marked
  # as built for indirect-branch tracking and shadow stacks, which they are.
  # The loader enables either only when every library loaded is marked too.
  set(link ${LDFLAGS})
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|i.86)$")
    list(APPEND link -Wl,-z,ibt -Wl,-z,shstk)
  endif()
  set(${compile_var} ${compile} PARENT_SCOPE)
  set(${link_var} ${link} PARENT_SCOPE)
endfunction()
