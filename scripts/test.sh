#!/usr/bin/env bash
# Installs what is missing, builds Varnok with warnings as errors and runs
# every test, printing each stage's time:
#  - the Linux suite, built once in build-test/ (or $BUILD_DIR) with
#    AddressSanitizer and UndefinedBehaviorSanitizer, lightly optimised,
#    with line tables only and one compilation unit per target, which builds
#    fastest and still names the line of every fault; the benchmarks are
#    built with it, so that they keep compiling;
#  - the Windows build in build-windows/ (or $WINDOWS_BUILD_DIR), its suite
#    under wine on a virtual display, and the check that both systems'
#    programs make the same archives.
# With --linux it stops after the Linux suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stage.sh
linux_only=false
[ "${1:-}" = "--linux" ] && linux_only=true

stage "install" bash scripts/install-deps.sh

export BUILD_DIR=${BUILD_DIR:-build-test}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export QT_QPA_PLATFORM=offscreen
stage "Linux build" bash scripts/build.sh \
  -DVARNOK_WERROR=ON -DVARNOK_SANITIZE=ON -DVARNOK_BUILD_BENCHMARKS=ON \
  -DVARNOK_UNITY_BUILD=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
stage "Linux tests" \
  ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" --timeout 300
$linux_only && exit 0

# Windows: kzf.exe, varnok.exe and their suites, cross-built with mingw-w64
# and run under wine; optimised as users get them, without debugging data.
export WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-build-windows}
stage "Windows build" env BUILD_DIR="$WINDOWS_BUILD_DIR" bash scripts/build.sh \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DVARNOK_BUILD_UI=ON \
  -DVARNOK_WERROR=ON -DVARNOK_UNITY_BUILD=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG"
# The wine server starts on a virtual display, so that the dialog's tests
# can show windows; a server left from an earlier run, perhaps without a
# display, is stopped first.
windows_tests() {
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    source scripts/stage.sh
    source scripts/wine-env.sh
    wine_stop
    source scripts/wine-env.sh
    trap wine_stop EXIT
    stage "Windows tests" ctest --test-dir "$WINDOWS_BUILD_DIR" \
      --output-on-failure -j"$(nproc)" --timeout 300
    stage "cross-check" \
      bash scripts/cross-check.sh "$BUILD_DIR" "$WINDOWS_BUILD_DIR"'
}
windows_tests
