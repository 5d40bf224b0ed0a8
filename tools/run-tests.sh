#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test through CTest; then
# builds a second tree, build-asan/, with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the unit tests again there. Any report
# of either sanitizer fails the run (UBSan stops at its first finding; ASan's
# leak check stays on).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
ctest --test-dir build --output-on-failure --timeout 900

KORIVANTA_BUILD_DIR=build-asan KORIVANTA_CMAKE_ARGS="-DKORIVANTA_SANITIZE=ON" tools/setup.sh
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  ctest --test-dir build-asan -LE 'e2e|fuzz' --output-on-failure --timeout 900
