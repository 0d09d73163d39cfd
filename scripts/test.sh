#!/usr/bin/env bash
# Installs what is missing, builds Varnok with warnings as errors and runs
# every test: the Linux suite in build/ (or $BUILD_DIR), then the Windows
# build in build-windows/ ($BUILD_DIR-windows) with its suite under wine on a
# virtual display, then the check that both programs make the same archives.
# With --sanitize it builds in build-sanitize/ with AddressSanitizer and
# UndefinedBehaviorSanitizer instead, for Linux alone: the tests without the
# benchmarks, optimised lightly and with line tables only, which builds much
# faster and still names the line of every fault.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

args=(-DVARNOK_WERROR=ON -DVARNOK_BUILD_BENCHMARKS=ON)
export BUILD_DIR=${BUILD_DIR:-build}
sanitize=false
if [ "${1:-}" = "--sanitize" ]; then
  sanitize=true
  export BUILD_DIR=build-sanitize
  args=(-DVARNOK_WERROR=ON -DVARNOK_SANITIZE=ON -DVARNOK_BUILD_BENCHMARKS=OFF
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
        "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG")
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
fi
bash scripts/build.sh "${args[@]}"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 300
$sanitize && exit 0

# Windows: kzf.exe, varnok.exe and their suites, cross-built with mingw-w64
# and run under wine.
export WINDOWS_BUILD_DIR=$BUILD_DIR-windows
BUILD_DIR=$WINDOWS_BUILD_DIR bash scripts/build.sh \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVARNOK_BUILD_UI=ON \
  -DVARNOK_WERROR=ON
# The wine server starts on a virtual display, so that the dialog's tests
# can show windows; a server left from an earlier run, perhaps without a
# display, is stopped first.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  source scripts/wine-env.sh
  wine_stop
  source scripts/wine-env.sh
  trap wine_stop EXIT
  ctest --test-dir "$WINDOWS_BUILD_DIR" --output-on-failure -j"$(nproc)" \
    --timeout 300
  bash scripts/cross-check.sh "$BUILD_DIR" "$WINDOWS_BUILD_DIR"'
