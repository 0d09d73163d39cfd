#!/usr/bin/env bash
# Times libkzf and the kzf archiver in PhysFS (libkzf_bench) on archives it
# makes, and prints each figure with its target:
#
#   open and find  an archive of 65,535 text files of about 1.5 KB
#                  (make_corpus texts), compressed: kzf_open, then kzf_find
#                  of each name once;
#   read           every entry of the corpus's tree (make_corpus tree: about
#                  3,000 files, 200 MiB) whole, in random order, through
#                  libkzf, through PhysFS with the kzf archiver and through
#                  PhysFS's zip archiver: a stored archive against zip -0 and
#                  a compressed one against zip -9 of the same tree.
#
#   bash bench/libkzf_bench.sh [--quick] [BUILD_DIR] [WORK_DIR]
#
# It builds nothing: it runs BUILD_DIR/bench/libkzf_bench, BUILD_DIR/cli/kzf
# and BUILD_DIR/bench/make_corpus (BUILD_DIR defaults to build/). WORK_DIR
# (default /var/tmp) needs about 1 GiB free; the work files are removed at
# the end. --quick reads a 40 MiB tree.
set -euo pipefail

quick=no
if [ "${1:-}" = "--quick" ]; then
  quick=yes
  shift
fi
build_dir=$(realpath "${1:-build}")
work_parent=${2:-/var/tmp}
corpus_files=3000 corpus_mib=200
[ "$quick" = yes ] && corpus_files=600 corpus_mib=40

bench=$build_dir/bench/libkzf_bench
kzf=$build_dir/cli/kzf
make_corpus=$build_dir/bench/make_corpus
for program in "$bench" "$kzf" "$make_corpus"; do
  if [ ! -x "$program" ]; then
    echo "libkzf_bench: $program: missing; build it with: cmake --build $build_dir --target libkzf_bench kzf make_corpus" >&2
    exit 1
  fi
done
command -v zip >/dev/null || {
  echo "libkzf_bench: zip: missing; install it with: apt-get install zip" >&2
  exit 1
}

work=$(realpath "$(mktemp -d "$work_parent/libkzf_bench.XXXXXX")")
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); page cache warm"

echo "== open an archive of 65,535 entries and find each name once"
"$make_corpus" texts small --files 65535 >/dev/null
(cd small && "$kzf" pack -q --compress data -o ../small.kzf)
rm -rf small
"$bench" open small.kzf
rm -f small.kzf

"$make_corpus" tree data --files "$corpus_files" --mib "$corpus_mib" >/dev/null
"$kzf" pack -q data -o stored.kzf
"$kzf" pack -q --compress data -o deflated.kzf
zip -0 -r -q stored.zip data
zip -9 -r -q deflated.zip data
echo "== read every entry in random order: stored, against zip -0"
"$bench" read stored.kzf stored.zip
echo "== read every entry in random order: compressed, against zip -9"
"$bench" read deflated.kzf deflated.zip
