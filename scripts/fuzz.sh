#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, makes their seeds and runs each
# target for a bounded time on a fresh corpus: the seeds and the inputs kept
# under tests/fuzz/regressions/. Fails on any crash, broken promise, leak,
# timeout, out-of-memory or sanitizer report, and leaves the input that did it
# in build-fuzz/fuzz-runs/TARGET/ (once fixed, keep it as a regression input).
# Prints one line per target: executions, executions per second, coverage
# (libFuzzer's cov: edges and ft: features) and corpus size.
#
# Usage: scripts/fuzz.sh [READER_SECONDS [NAME_SECONDS]]   (default 40 and 20)
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS
reader_seconds=${1:-40}
name_seconds=${2:-20}

bash scripts/install-deps.sh clang-14 libclang-rt-14-dev

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DVARNOK_FUZZ=ON -DVARNOK_BUILD_UI=OFF -DVARNOK_BUILD_TESTS=OFF \
  -DVARNOK_WERROR=ON
cmake --build "$build" -j"$(nproc)" \
  --target reader_fuzzer name_fuzzer make_fuzz_seeds
"$build/fuzz/make_fuzz_seeds" "$build/fuzz-seeds"

# A small quarantine lets freed memory be used again soon: the reader takes
# fresh buffers for every entry, and new pages for each would cost more than
# the checks (about three times fewer executions per second).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=4}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# final_stat NAME LOG: the value of libFuzzer's final statistic NAME.
final_stat() { sed -nE "s/^stat::$1: *([0-9]+).*/\\1/p" "$2"; }

# fuzz TARGET SECONDS DICTIONARY SEEDS KEPT: runs TARGET, prints its summary
# line; fails when the run found anything.
fuzz() {
  local target=$1 seconds=$2 dictionary=$3 seeds=$4 kept=$5
  local out=$build/fuzz-runs/$target
  rm -rf "$out"
  mkdir -p "$out/corpus"
  cp "$seeds"/* "$out/corpus/"
  local status=0
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -dict="$dictionary" -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" "$kept" >"$out/log" 2>&1 ||
    status=$?
  if [ "$status" -ne 0 ] ||
    grep -qE 'ERROR: |runtime error: |WARNING: .*Sanitizer' "$out/log"; then
    tail -n 60 "$out/log" >&2
    echo "fuzz: $target: failed (exit $status); log and input in $out/" >&2
    return 1
  fi
  local last
  last=$(grep -E '^#[0-9]+.*cov: ' "$out/log" | tail -n 1)
  echo "fuzz: $target: $(final_stat number_of_executed_units "$out/log")" \
    "executions in ${seconds} s" \
    "($(final_stat average_exec_per_sec "$out/log")/s)," \
    "cov: $(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$last")," \
    "ft: $(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$last")," \
    "corpus: $(sed -nE 's/.* corp: ([0-9]+)\/([0-9a-zA-Z]+).*/\1 inputs, \2/p' <<<"$last")"
}

failed=0
fuzz reader_fuzzer "$reader_seconds" fuzz/kzf.dict "$build/fuzz-seeds/reader" \
  tests/fuzz/regressions/reader || failed=1
fuzz name_fuzzer "$name_seconds" fuzz/names.dict "$build/fuzz-seeds/names" \
  tests/fuzz/regressions/names || failed=1
echo "fuzz: done in $((SECONDS - started)) s"
exit "$failed"
