#!/usr/bin/env bash
# Builds the fuzz targets with clang++ (libFuzzer, AddressSanitizer, UBSan) in
# the folder given (default build/fuzz) and runs each for a bounded time:
# KORIVANTA_FUZZ_SECONDS (default 20) per target. A finding stops with a
# non-zero status and leaves the input under <folder>/artifacts/.
# Without clang the run is skipped (status 77, which CTest reports as skipped).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../build/fuzz}
seconds=${KORIVANTA_FUZZ_SECONDS:-20}

if ! command -v clang++ >/dev/null 2>&1; then
  echo "SKIP: clang++ is not installed (Debian packages clang and libclang-rt-14-dev); no fuzzing."
  exit 77
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }' |
  clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "SKIP: clang++ cannot link libFuzzer (Debian package libclang-rt-14-dev); no fuzzing."
  exit 77
fi

cmake -S "$here" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None >/dev/null
cmake --build "$out"

mkdir -p "$out/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for target in fuzz_media_paths fuzz_guess; do
  corpus="$out/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: $seconds s"
  "$out/$target" -max_total_time="$seconds" -print_final_stats=1 -max_len=512 \
    -artifact_prefix="$out/artifacts/$target-" "$corpus" "$here/seeds/$target"
done
