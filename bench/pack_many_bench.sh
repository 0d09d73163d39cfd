#!/usr/bin/env bash
# Deflates a folder of many files (2,000 by default, 64 KiB to 4 MiB each, of
# mixed content) once on one thread and once with one thread per core, and
# prints, for each, the time, the throughput and the peak memory (maximum
# resident set size, from /usr/bin/time -v: the Debian package "time"). The
# two archives must be byte for byte the same.
#
#   bash bench/pack_many_bench.sh [BUILD_DIR] [FILES] [WORK_DIR]
#
# BUILD_DIR defaults to build/, FILES to 2000, WORK_DIR to /var/tmp. The work
# files (about 2 GiB for 2,000 files, and two archives) are removed at the
# end.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
files=${2:-2000}
work_parent=${3:-/var/tmp}

if [ ! -x /usr/bin/time ]; then
  echo "pack_many_bench: /usr/bin/time is missing; install it with: apt-get install time" >&2
  exit 1
fi
cmake --build "$build_dir" --target pack_bench -j2 >/dev/null
bench="$build_dir/bench/pack_bench"

work=$(mktemp -d "$work_parent/pack_many_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$bench" make-tree "$work/assets" "$files"
echo "$(nproc) cores"

# threads 1: the writing thread alone; threads 0: one per core.
for threads in 1 0; do
  /usr/bin/time -v "$bench" pack deflate "$work/assets" "$work/threads$threads.kzf" "$threads" \
    2>"$work/time.log" || { cat "$work/time.log" >&2; exit 1; }
  rss_kib=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.log")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.log")
  cpu=$(sed -n 's/.*Percent of CPU this job got: //p' "$work/time.log")
  echo "         peak RSS $((rss_kib / 1024)) MiB ($rss_kib KiB), wall $wall, CPU $cpu"
done
if cmp -s "$work/threads1.kzf" "$work/threads0.kzf"; then
  echo "archives identical"
else
  echo "pack_many_bench: the archives differ" >&2
  exit 1
fi
