#!/usr/bin/env bash
# Installs what is missing, builds Varnok with warnings as errors and runs
# every test. With --sanitize it builds in build-sanitize/ with
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

args=(-DVARNOK_WERROR=ON -DVARNOK_BUILD_BENCHMARKS=ON)
export BUILD_DIR=${BUILD_DIR:-build}
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-sanitize
  args+=(-DVARNOK_SANITIZE=ON)
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
fi
bash scripts/build.sh "${args[@]}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 300
