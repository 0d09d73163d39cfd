#!/usr/bin/env bash
# Packs a 1 GiB file in stored and in deflate mode and prints, for each, the
# time, the throughput and the peak memory (maximum resident set size, from
# /usr/bin/time -v: the Debian package "time").
#
#   bash bench/pack_bench.sh [BUILD_DIR] [SIZE_MIB] [WORK_DIR]
#
# BUILD_DIR defaults to build/, SIZE_MIB to 1024, WORK_DIR to /var/tmp. The
# work files (the source and the archive, about twice SIZE_MIB) are removed
# at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
size_mib=${2:-1024}
work_parent=${3:-/var/tmp}

if [ ! -x /usr/bin/time ]; then
  echo "pack_bench: /usr/bin/time is missing; install it with: apt-get install time" >&2
  exit 1
fi
cmake --build "$build_dir" --target pack_bench -j2 >/dev/null
bench="$build_dir/bench/pack_bench"

work=$(mktemp -d "$work_parent/pack_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$bench" make-source "$work/assets.bin" "$size_mib"

for mode in stored deflate; do
  /usr/bin/time -v "$bench" pack "$mode" "$work/assets.bin" "$work/$mode.kzf" 2>"$work/time.log" ||
    { cat "$work/time.log" >&2; exit 1; }
  rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.log")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.log")
  echo "         peak RSS $((rss_kib / 1024)) MiB ($rss_kib KiB), wall $wall"
  rm -f "$work/$mode.kzf"
done
