#!/usr/bin/env bash
# A school's own words survive every step of the package's life: version N is
# packaged with CPack and installed with apt-get; a teacher (a user of the
# group korivanta, no sudo) imports words with a picture; the package is then
# reinstalled, upgraded to a version N+1 built here from a copy of the source
# with a bumped version and one word more in the package's list, removed and
# purged. After each step the game (under Xvfb, read through the accessibility
# bus) and `korivanta-palabras listar` show the package's words and the
# school's, and every words database passes PRAGMA integrity_check. Removing
# keeps the school's words without a dpkg warning; purging deletes them.
#
#   bash package_school_words.sh <path-to-korivanta> <work-dir>
#
# The build folder is the parent of the folder that holds korivanta; the
# source folder is $KORIVANTA_SOURCE_DIR. The package, the test user and the
# school's folder are removed again on the way out, pass or fail.
set -uo pipefail

LIB=$(cd "$(dirname "$0")/lib" && pwd)
MENU_TITLE='SOFTWARE EDUCATIVO (Versión Demo)'
GAME_TITLE='Conocer Objetos'
# The menu's "Insectos" (Option4) and "Aceptar" (Command1), in twips.
INSECTOS_TWIPS=(2640 2040 1935 495)
ACEPTAR_TWIPS=(3840 3000 1215 375)
SCHOOL=/var/lib/korivanta
TEACHER=korivanta-maestra
# The word version N+1 adds to the package's list, and the teacher's words.
NEW_WORD=sirsiri # a stand-in found in no word list
NEW_WORD_ES=grillo
CATEGORY=insecto

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }
px() { echo $((($1 + 7) / 15)); }
centre() { echo "$(($(px "$1") + $(px "$3") / 2)) $(($(px "$2") + $(px "$4") / 2))"; }
title_regex() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][()\\.^$*+?{}|]/\\&/g')"; }
wait_window() {
    local wid
    wid=$(timeout 30 xdotool search --sync --onlyvisible --name "$(title_regex "$1")" | head -n 1)
    [ -n "$wid" ] || return 1
    echo "$wid"
}

# ---------------------------------------------------------------------------
# Inside Xvfb and a D-Bus session of its own: plays the installed game's
# category "insecto" through the accessibility tree up to its last word.
#   package_school_words.sh --game <work-dir> <tables.json> <words.tsv>
game() {
    local work=$1 tables=$2 words=$3
    local log=$work/korivanta-$RANDOM.log
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 env -u QT_QPA_PLATFORM -u KORIVANTA_ESCUELA /usr/bin/korivanta >"$log" 2>&1 &
    local pid=$!
    # shellcheck disable=SC2064
    trap "kill $pid 2>/dev/null; sleep 0.5; kill -9 $pid 2>/dev/null" EXIT
    local menu game_window
    menu=$(wait_window "$MENU_TITLE") || { cat "$log" >&2; fail "the menu did not appear"; }
    read -r x y < <(centre "${INSECTOS_TWIPS[@]}")
    xdotool mousemove --window "$menu" "$x" "$y" click 1 || fail "cannot click Insectos"
    sleep 0.3
    read -r x y < <(centre "${ACEPTAR_TWIPS[@]}")
    xdotool mousemove --window "$menu" "$x" "$y" click 1 || fail "cannot click Aceptar"
    game_window=$(wait_window "$GAME_TITLE") || { cat "$log" >&2; fail "the game window did not appear"; }
    # The game reads the composed words from the school's folder.
    ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$SCHOOL/drive_c/Trab_zumel/diccionario.mdb" ||
        fail "the game does not have $SCHOOL/drive_c/Trab_zumel/diccionario.mdb open"
    timeout 240 /usr/bin/python3 "$LIB/atspi_words.py" "$tables" "$words" ||
        { cat "$log" >&2; fail "the game did not show the words in order (above)"; }
    kill -0 "$pid" 2>/dev/null || { cat "$log" >&2; fail "the game ended by itself"; }
    if grep -q '^korivanta: Error' "$log"; then
        cat "$log" >&2
        fail "the game reported an error"
    fi
    echo "game window $game_window showed every word"
}

if [ "${1:-}" = "--game" ]; then
    shift
    game "$@"
    exit $?
fi

# ---------------------------------------------------------------------------
[ $# -eq 2 ] || { echo "usage: $0 <path-to-korivanta> <work-dir>" >&2; exit 2; }
korivanta=$(readlink -f "$1")
work=$2
build_dir=$(dirname "$(dirname "$korivanta")")
source_dir=${KORIVANTA_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP: installing a Debian package needs root and apt-get"
    exit 0
fi
for tool in cpack cmake dpkg-deb dpkg-query sqlite3 xvfb-run dbus-run-session xdotool runuser useradd timeout \
    /usr/bin/python3; do
    command -v "$tool" >/dev/null || fail "missing tool: $tool (see tools/packages.txt)"
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || fail "missing python3-pyatspi (see tools/packages.txt)"
[ -f "$build_dir/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in $build_dir"
[ -f "$source_dir/CMakeLists.txt" ] || fail "no source folder at $source_dir"

installed() { [ "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" = "install ok installed" ]; }
installed && fail "the korivanta package is already installed; remove it first (apt-get purge korivanta)"
[ -e "$SCHOOL" ] && fail "$SCHOOL exists (a school's words?); the test would change it: move it away first"
id "$TEACHER" >/dev/null 2>&1 && fail "the user $TEACHER exists already"

rm -rf "$work"
mkdir -p "$work/n" "$work/n1" "$work/runtime"
chmod 0700 "$work/runtime"
work=$(readlink -f "$work")

cleanup() {
    if [ "$(dpkg-query -W -f='${Status}' korivanta 2>/dev/null)" != "" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 purge -y -qq korivanta >/dev/null 2>&1 ||
            echo "cleanup: could not purge korivanta" >&2
    fi
    id "$TEACHER" >/dev/null 2>&1 && userdel "$TEACHER" 2>/dev/null
    rm -rf "$SCHOOL" "${teacher_files:-}"
}
trap cleanup EXIT

apt() {
    local name=$1
    shift
    LC_ALL=C DEBIAN_FRONTEND=noninteractive timeout 300 apt-get -o DPkg::Lock::Timeout=120 "$@" >"$work/apt-$name.log" 2>&1 ||
        { cat "$work/apt-$name.log" >&2; fail "apt-get $* failed"; }
    ! grep -Ei 'warning|not empty' "$work/apt-$name.log" | grep -v 'apt does not have a stable CLI' ||
        fail "apt-get $* warned (see $work/apt-$name.log)"
}

# --- Version N: the build under test -----------------------------------------
log "packaging version N in $build_dir"
(cd "$build_dir" && timeout 300 cpack -G DEB -B "$work/n") >"$work/cpack-n.log" 2>&1 ||
    { cat "$work/cpack-n.log" >&2; fail "cpack failed for version N"; }
deb_n=$(ls "$work"/n/korivanta_*.deb) || fail "no package of version N"
version_n=$(dpkg-deb -f "$deb_n" Version)
dpkg-deb -f "$deb_n" Depends | grep -qw adduser || fail "the package does not depend on adduser"

# --- Version N+1: a copy of the source, one patch version up, one word more ---
log "building version N+1 from a copy of $source_dir"
src1=$work/n1/src
mkdir -p "$src1"
tar -C "$source_dir" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src1" -xf - ||
    fail "cannot copy the source"
IFS=. read -r major minor patch < <(sed -n 's/^project(korivanta VERSION \([0-9.]*\).*/\1/p' "$src1/CMakeLists.txt")
[ -n "${patch:-}" ] || fail "no project version in CMakeLists.txt"
version_n1=$major.$minor.$((patch + 1))
sed -i "s/^project(korivanta VERSION [0-9.]*/project(korivanta VERSION $version_n1/" "$src1/CMakeLists.txt"
# The package needs the programs and the data only: no tests, no benchmarks.
sed -i '/^enable_testing()/d; /^add_subdirectory(tests)/d; /^add_subdirectory(bench)/d' "$src1/CMakeLists.txt"
grep -q "^$NEW_WORD," "$src1/assets/words.csv" && fail "$NEW_WORD is in the word list already"
printf '%s,%s,%s,1f997,high,prueba de actualización\n' "$NEW_WORD" "$NEW_WORD_ES" "$CATEGORY" >>"$src1/assets/words.csv"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Paths relative to the copy, so that its objects are cached whatever folder it is in.
export CCACHE_BASEDIR=$src1 CCACHE_NOHASHDIR=1
(cmake -S "$src1" -B "$src1/build" -G Ninja "${launcher[@]}" && timeout 1500 cmake --build "$src1/build" &&
    cd "$src1/build" && timeout 300 cpack -G DEB -B "$work/n1") >"$work/build-n1.log" 2>&1 ||
    { tail -n 40 "$work/build-n1.log" >&2; fail "building or packaging version N+1 failed"; }
deb_n1=$(ls "$work"/n1/korivanta_*.deb) || fail "no package of version N+1"
[ "$(dpkg-deb -f "$deb_n1" Version)" = "$version_n1" ] || fail "version N+1 is not $version_n1"
tables=$work/tables.json
"$build_dir/bin/korivanta-tables" "$tables" >/dev/null || fail "korivanta-tables failed"

# --- The checks after each step -------------------------------------------
# check_both STEP PACKAGE_WORD...: listar and the game show the package's words
# given and the school's, the school's marked and after the package's.
check_both() {
    local step=$1
    shift
    log "checking after: $step"
    local db
    for db in /usr/share/korivanta/drive_c/Trab_zumel/diccionario.mdb "$SCHOOL/palabras-escuela.db" \
        "$SCHOOL/drive_c/Trab_zumel/diccionario.mdb"; do
        [ "$(sqlite3 -readonly "$db" 'PRAGMA integrity_check')" = ok ] || fail "$step: $db fails PRAGMA integrity_check"
    done
    runuser -u "$TEACHER" -- env HOME="$teacher_files" korivanta-palabras listar >"$work/listar-$step.txt" 2>&1 ||
        { cat "$work/listar-$step.txt" >&2; fail "$step: korivanta-palabras listar failed"; }
    local line
    for line in "  lluqu — escarabajo (escuela)" "  thuthu — polilla (escuela)" "$@"; do
        grep -qxF -- "$line" "$work/listar-$step.txt" ||
            { cat "$work/listar-$step.txt" >&2; fail "$step: listar does not show \"$line\""; }
    done
    # The game's order: the category's rows of the composed database.
    sqlite3 -readonly -separator $'\t' "$SCHOOL/drive_c/Trab_zumel/diccionario.mdb" \
        "SELECT nom_ay, nom_esp FROM nominal WHERE categoria='$CATEGORY'" >"$work/words-$step.tsv" ||
        fail "$step: cannot read the composed words"
    [ "$(tail -n 2 "$work/words-$step.tsv" | cut -f1 | tr '\n' ' ')" = "lluqu thuthu " ] ||
        fail "$step: the school's words are not the last of $CATEGORY: $(cut -f1 "$work/words-$step.tsv" | tr '\n' ' ')"
    XDG_RUNTIME_DIR=$work/runtime timeout 400 xvfb-run -a -s '-screen 0 1280x1024x24' \
        dbus-run-session -- bash "$0" --game "$work" "$tables" "$work/words-$step.tsv" >"$work/game-$step.log" 2>&1 ||
        { cat "$work/game-$step.log" >&2; fail "$step: the game did not show the package's and the school's words"; }
}

# --- Install N ---------------------------------------------------------------
log "installing $version_n"
apt install-n install -y "$deb_n"
installed || fail "korivanta is not installed"
getent group korivanta >/dev/null || fail "the package made no group korivanta"
[ "$(stat -c '%U:%G %a' "$SCHOOL")" = "root:korivanta 2775" ] ||
    fail "$SCHOOL is $(stat -c '%U:%G %a' "$SCHOOL"), not root:korivanta 2775"
[ ! -e "$SCHOOL/drive_c" ] || fail "something was composed for a school without words"

# --- A teacher imports words -------------------------------------------------
useradd --system --no-create-home --shell /usr/sbin/nologin "$TEACHER" || fail "cannot add the user $TEACHER"
teacher_files=$(mktemp -d)
chmod 0755 "$teacher_files"
/usr/bin/python3 - "$teacher_files/escarabajo.png" <<'PYEOF' || fail "cannot make the teacher's picture"
import struct, sys, zlib
w, h = 120, 200  # a portrait picture
raw = b"".join(b"\0" + bytes((40, 90, 30)) * w for _ in range(h))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
                              + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
PYEOF
printf 'nom_ay;nom_esp;categoria;dibujo\nlluqu;escarabajo;insecto;escarabajo.png\nthuthu;polilla;insecto;\n' \
    >"$teacher_files/palabras.csv"
chmod 0644 "$teacher_files"/*
as_teacher() { runuser -u "$TEACHER" -- env HOME="$teacher_files" "$@"; }
if as_teacher korivanta-palabras importar "$teacher_files/palabras.csv" >"$work/import-denied.log" 2>&1; then
    fail "a user outside the group korivanta could import words"
fi
grep -q 'adduser' "$work/import-denied.log" || { cat "$work/import-denied.log" >&2; fail "the refusal does not say how to join the group"; }
adduser --quiet "$TEACHER" korivanta || fail "cannot add $TEACHER to the group korivanta"
touch "$work/before-import"
as_teacher korivanta-palabras importar "$teacher_files/palabras.csv" >"$work/import.log" 2>&1 ||
    { cat "$work/import.log" >&2; fail "the teacher could not import words"; }
picture=$SCHOOL/drive_c/Trab_zumel/escuela/dibujos/lluqu.png
[ -f "$picture" ] || fail "the teacher's picture is not at $picture"
[ "$(stat -c '%G %a' "$picture")" = "korivanta 664" ] || fail "$picture is $(stat -c '%G %a' "$picture")"
[ "$(stat -c '%G %a' "$SCHOOL/drive_c/Trab_zumel/diccionario.mdb")" = "korivanta 664" ] ||
    fail "the composed database is not group-writable"
find /usr/share/korivanta -newer "$work/before-import" | grep -q . && fail "the import wrote under /usr/share/korivanta"
package_words=("  wayrunqu — abeja" "  inti — sol")
check_both "import" "${package_words[@]}"

# --- Reinstall N ---------------------------------------------------------------
log "reinstalling $version_n"
apt reinstall install -y --reinstall "$deb_n"
check_both "reinstall" "${package_words[@]}"

# --- Upgrade to N+1 --------------------------------------------------------------
log "upgrading to $version_n1"
apt upgrade install -y "$deb_n1"
[ "$(dpkg-query -W -f='${Version}' korivanta)" = "$version_n1" ] || fail "the upgrade did not install $version_n1"
check_both "upgrade" "${package_words[@]}" "  $NEW_WORD — $NEW_WORD_ES"

# --- Remove, then purge ----------------------------------------------------------
log "removing"
apt remove remove -y korivanta
installed && fail "korivanta is still installed after apt-get remove"
[ -f "$SCHOOL/palabras-escuela.db" ] && [ -f "$picture" ] || fail "apt-get remove deleted the school's words"
[ "$(sqlite3 -readonly "$SCHOOL/palabras-escuela.db" 'SELECT count(*) FROM nominal')" = 2 ] ||
    fail "the school's words changed on apt-get remove"
[ ! -e /usr/share/korivanta ] || fail "/usr/share/korivanta is left after apt-get remove"
log "purging"
apt purge purge -y korivanta
[ ! -e "$SCHOOL" ] || fail "apt-get purge left $SCHOOL"

echo "PASS: the school's words survived reinstall and upgrade to $version_n1, stayed on remove, went on purge"
