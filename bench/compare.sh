#!/usr/bin/env bash
# Times kzf against the tools users pick instead, on one generated tree of
# game assets (make_corpus: about 3,000 files, 200 MiB in all), and prints a
# table of median wall times of 3 runs, kzf's ratio to each other tool and
# whether kzf meets its target there:
#
#   compressed pack  kzf pack --compress against zip -9 -r, tar | pigz -9 and
#                    the floor of the cores (the CPU time of a --jobs 1 run
#                    divided by the number of cores);
#   stored pack      kzf pack against tar cf;
#   repack           kzf pack --compress onto the archive made before 1% of
#                    the files changed, against a full pack (in wall and in
#                    CPU time, user + sys) and zip -9 -u;
#   diff             kzf diff of that archive and the changed tree (the check
#                    whether an archive is stale), against the repack;
#   extract          kzf extract of the tree's compressed archive against
#                    unzip -q and 7z x of a zip -9 of the same tree, and of
#                    65,535 text files of about 1.5 KB (make_corpus texts)
#                    against unzip -q;
#   verify           kzf verify of that archive against unzip -t and 7z t;
#   edit             kzf add replacing one file of the tree's compressed
#                    archive with 1 MiB of new bytes, against zip -9 updating
#                    that file in a zip of the tree (and a sync of the zip)
#                    and against a full kzf pack --compress of the changed
#                    tree, which must give the same archive;
#   peak memory      of kzf packing one 1 GiB file, stored and compressed, and
#                    of the compressed pack, the repack and the edit of the
#                    tree.
#
#   bash bench/compare.sh [--quick] [--repack] [--extract] [--edit] [BUILD_DIR] [WORK_DIR]
#
# It builds nothing: it runs BUILD_DIR/cli/kzf and BUILD_DIR/bench/make_corpus
# (BUILD_DIR defaults to build/). It installs zip, unzip, p7zip-full, pigz
# and time when they are missing. WORK_DIR (default /var/tmp) needs about
# 3 GiB free; the work files are removed at the end. --quick packs a 40 MiB
# tree once per tool and a 256 MiB file, and makes 6,000 small files, to try
# the script out. --repack runs the repack and the diff alone; --extract the
# extractions and verifications alone; --edit the edit alone.
#
# Every archive is synced to disk before its clock stops (kzf syncs its own),
# and the page cache is dropped before every run when this runs as root;
# otherwise every run starts after the tree has been read once.
set -euo pipefail

quick=no repack_only=no extract_only=no edit_only=no
while [ "${1:-}" = "--quick" ] || [ "${1:-}" = "--repack" ] || [ "${1:-}" = "--extract" ] ||
  [ "${1:-}" = "--edit" ]; do
  [ "$1" = "--quick" ] && quick=yes
  [ "$1" = "--repack" ] && repack_only=yes
  [ "$1" = "--extract" ] && extract_only=yes
  [ "$1" = "--edit" ] && edit_only=yes
  shift
done
# What runs: the packs, the repack, the extractions, the edit.
do_pack=yes do_repack=yes do_extract=yes do_edit=yes
[ "$repack_only" = yes ] && do_pack=no do_extract=no do_edit=no
[ "$extract_only" = yes ] && do_pack=no do_repack=no do_edit=no
[ "$edit_only" = yes ] && do_pack=no do_repack=no do_extract=no
build_dir=$(realpath "${1:-build}")
work_parent=${2:-/var/tmp}

if [ "$quick" = yes ]; then
  runs=1 corpus_files=600 corpus_mib=40 large_mib=256 small_files=6000
else
  runs=3 corpus_files=3000 corpus_mib=200 large_mib=1024 small_files=65535
fi
kzf=$build_dir/cli/kzf
make_corpus=$build_dir/bench/make_corpus
cores=$(nproc)

die() {
  echo "compare: $*" >&2
  exit 1
}

for program in "$kzf" "$make_corpus"; do
  [ -x "$program" ] ||
    die "$program: missing; build it with: cmake --build $build_dir --target kzf make_corpus"
done

# --- The other tools ---------------------------------------------------------

missing=()
command -v zip >/dev/null || missing+=(zip)
command -v unzip >/dev/null || missing+=(unzip)
command -v 7z >/dev/null || missing+=(p7zip-full)
command -v pigz >/dev/null || missing+=(pigz)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || die "${missing[*]}: missing; install them with: apt-get install ${missing[*]}"
    sudo=sudo
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# What this kzf can do: the options came with later versions.
pack_help=$("$kzf" pack --help)
has_jobs=no has_reuse=no has_diff=no extract_jobs=no has_add=no
"$kzf" extract --help | grep -q -- '--jobs' && extract_jobs=yes
grep -q -- '--jobs' <<<"$pack_help" && has_jobs=yes
grep -q -- '--no-reuse' <<<"$pack_help" && has_reuse=yes
"$kzf" --help | grep -q '^  diff ' && has_diff=yes
"$kzf" --help | grep -q '^  add ' && has_add=yes

# --- Runs ------------------------------------------------------------------------

work=$(realpath "$(mktemp -d "$work_parent/compare.XXXXXX")")
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir times

drop_caches() {
  sync
  if [ -w /proc/sys/vm/drop_caches ]; then
    echo 3 >/proc/sys/vm/drop_caches 2>/dev/null
  else
    false
  fi
}
can_drop=no
drop_caches && can_drop=yes
if [ "$can_drop" = yes ]; then
  cache="dropped before every run"
else
  cache="not dropped (not root): each run starts after reading the tree once"
fi

# Brings every run to the same start: nothing left to write, and the page
# cache empty or holding the tree.
settle() {
  if [ "$can_drop" = yes ]; then
    drop_caches
  else
    sync
    find data -type f -exec cat {} + >/dev/null
    cat ./*.kzf ./*.zip >/dev/null 2>&1 || true
  fi
}

seconds() {  # "h:mm:ss" or "m:ss.ss" as seconds
  awk -F: '{ s = 0; for (i = 1; i <= NF; ++i) s = s * 60 + $i; print s }' <<<"$1"
}

# timed NAME COMMAND...: runs COMMAND under /usr/bin/time -v and adds
# "wall-seconds cpu-seconds peak-KiB" to times/NAME.
timed() {
  local name=$1
  shift
  settle
  if ! /usr/bin/time -v -o time.log "$@" >run.log 2>&1; then
    cat run.log time.log >&2
    die "$name: failed"
  fi
  local wall user sys rss
  wall=$(seconds "$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' time.log)")
  user=$(sed -n 's/.*User time (seconds): //p' time.log)
  sys=$(sed -n 's/.*System time (seconds): //p' time.log)
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' time.log)
  echo "$wall $(awk "BEGIN { print $user + $sys }") $rss" >>"times/$name"
  printf '  %-22s %8.2f s wall %8.2f s CPU %8.1f MiB peak\n' "$name" "$wall" \
    "$(awk "BEGIN { print $user + $sys }")" "$(awk "BEGIN { print $rss / 1024 }")"
}

# median NAME FIELD: the median of one field (1 wall, 2 CPU) of NAME's runs.
median() {
  cut -d' ' -f"$2" "times/$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
# peak NAME: the largest peak memory of NAME's runs, in MiB.
peak() {
  cut -d' ' -f3 "times/$1" | sort -g | tail -1 | awk '{ print $1 / 1024 }'
}

# alternate NAME...: runs the tools named, each a function run_NAME, $runs
# times, in an order turned by one each round so that none always goes first.
alternate() {
  local tools=("$@") round i
  for ((round = 0; round < runs; ++round)); do
    echo "round $((round + 1)) of $runs"
    for ((i = 0; i < ${#tools[@]}; ++i)); do
      "run_${tools[(i + round) % ${#tools[@]}]}"
    done
  done
}

pack=("$kzf" pack -q)
no_reuse=()
[ "$has_reuse" = yes ] && no_reuse=(--no-reuse)

run_kzf_compress() { rm -f out.kzf; timed "kzf --compress" "${pack[@]}" --compress data -o out.kzf; }
run_kzf_jobs1() { rm -f out1.kzf; timed "kzf --compress --jobs 1" "${pack[@]}" --compress --jobs 1 data -o out1.kzf; }
run_zip() { rm -f out.zip; timed "zip -9" bash -c 'zip -9 -r -q out.zip data && sync out.zip'; }
run_pigz() { rm -f out.tgz; timed "tar | pigz -9" bash -c 'set -o pipefail; tar cf - data | pigz -9 >out.tgz && sync out.tgz'; }
run_kzf_store() { rm -f store.kzf; timed "kzf" "${pack[@]}" data -o store.kzf; }
run_tar() { rm -f out.tar; timed "tar + sync" bash -c 'tar cf out.tar data && sync out.tar'; }
run_repack() { cp -p before.kzf repack.kzf; timed "kzf repack" "${pack[@]}" --compress data -o repack.kzf; }
run_full() { rm -f full.kzf; timed "kzf full" "${pack[@]}" --compress "${no_reuse[@]}" data -o full.kzf; }
run_zip_update() { cp -p before.zip update.zip; timed "zip -9 -u" bash -c 'zip -9 -u -r -q update.zip data && sync update.zip'; }
# The archive is stale: diff must exit with 1 and name what changed.
run_diff() { timed "kzf diff" bash -c '"$0" diff before.kzf data --compress >diff.log; [ $? -eq 1 ] && [ -s diff.log ]' "$kzf"; }

# The edit: one file of the tree replaced (edited names it).
run_kzf_add() { cp -p before.kzf edit.kzf; timed "kzf add" "$kzf" add -q edit.kzf "$edited" --compress; }
run_zip_one() { cp -p before.zip edit.zip; timed "zip -9 one file" bash -c 'zip -9 -q edit.zip "$0" && sync edit.zip' "$edited"; }
run_edit_full() { rm -f full.kzf; timed "kzf full, edit" "${pack[@]}" --compress "${no_reuse[@]}" data -o full.kzf; }

# Each extraction goes into a fresh folder, made before the clock starts.
fresh() { rm -rf x && mkdir x; }
run_kzf_extract() { fresh; timed "kzf extract" "$kzf" extract ex.kzf -C x; }
run_unzip() { fresh; timed "unzip -q" unzip -q ex.zip -d x; }
run_7z_x() { fresh; timed "7z x" 7z x -y -bd -ox ex.zip; }
run_kzf_verify() { timed "kzf verify" "$kzf" verify ex.kzf; }
run_unzip_t() { timed "unzip -t" unzip -tq ex.zip; }
run_7z_t() { timed "7z t" 7z t -bd ex.zip; }
run_kzf_small() { fresh; timed "kzf extract, small" "$kzf" extract small.kzf -C x; }
run_unzip_small() { fresh; timed "unzip -q, small" unzip -q small.zip -d x; }

started=$(date +%s)
echo "kzf $("$kzf" --version | cut -d' ' -f2), $(zip -v | sed -n 2p | cut -d" " -f3-4), $(unzip -v | head -1 | cut -d" " -f1-2), 7z $(7z | sed -n 2p | cut -d" " -f3), $(pigz --version 2>&1), $(tar --version | head -1)"
echo "$cores cores, load average $(cut -d" " -f1-3 /proc/loadavg); page cache $cache"
"$make_corpus" tree data --files "$corpus_files" --mib "$corpus_mib"

if [ "$do_pack" = yes ]; then
  echo "== compressed pack"
  compress_tools=(kzf_compress zip pigz)
  [ "$has_jobs" = yes ] && compress_tools+=(kzf_jobs1)
  alternate "${compress_tools[@]}"
  if [ "$has_jobs" = yes ] && ! cmp -s out.kzf out1.kzf; then
    die "kzf --jobs 1 and the default made different archives"
  fi
  rm -f out.kzf out1.kzf out.zip out.tgz

  echo "== stored pack"
  alternate kzf_store tar
  rm -f store.kzf out.tar
fi

if [ "$do_extract" = yes ]; then
  echo "== extract and verify the tree (kzf: default jobs)"
  "${pack[@]}" --compress data -o ex.kzf
  zip -9 -r -q ex.zip data
  alternate kzf_extract unzip 7z_x
  fresh
  "$kzf" extract ex.kzf -C x >/dev/null
  diff -r data x/data >/dev/null || die "kzf extract wrote another tree"
  alternate kzf_verify unzip_t 7z_t
  rm -rf x ex.kzf ex.zip

  echo "== extract $small_files small text files"
  "$make_corpus" texts small --files "$small_files"
  (cd small && "${pack[@]}" --compress data -o ../small.kzf && zip -9 -r -q ../small.zip data)
  rm -rf small
  alternate kzf_small unzip_small
  rm -rf x small.kzf small.zip
fi

if [ "$do_repack" = yes ]; then
  echo "== repack after changing 1% of the files"
  # The archive and the zip as they were before the change, dated before it.
  "${pack[@]}" --compress data -o before.kzf
  zip -9 -r -q before.zip data
  "$make_corpus" change data --percent 1
  repack_tools=(repack full zip_update)
  [ "$has_diff" = yes ] && repack_tools+=(diff)
  alternate "${repack_tools[@]}"
  cmp -s repack.kzf full.kzf || die "the repack and a full pack made different archives"
  rm -f before.kzf before.zip repack.kzf full.kzf update.zip diff.log
fi

if [ "$do_edit" = yes ] && [ "$has_add" = yes ]; then
  echo "== replace one file of the archive with 1 MiB of new bytes"
  "${pack[@]}" --compress data -o before.kzf
  zip -9 -r -q before.zip data
  edited=$(find data -type f | sort | sed -n '2p')
  rm "$edited" && "$make_corpus" file "$edited" --mib 1
  alternate kzf_add zip_one edit_full
  cmp -s edit.kzf full.kzf || die "kzf add and a full pack made different archives"
  rm -f before.kzf before.zip edit.kzf edit.zip full.kzf
fi

if [ "$do_pack" = yes ]; then
  echo "== one ${large_mib} MiB file"
  mkdir -p large/data
  "$make_corpus" file large/data/world.pak --mib "$large_mib"
  timed "large, stored" "${pack[@]}" large/data -o large.kzf
  rm -f large.kzf
  timed "large, compressed" "${pack[@]}" --compress large/data -o large.kzf
  rm -rf large large.kzf
fi

# --- Table -----------------------------------------------------------------------

# row LABEL KZF OTHER [OP LIMIT]: one comparison of median times; the target
# is met when KZF / OTHER OP LIMIT.
row() {
  local label=$1 mine=$2 other=$3 op=${4:-} limit=${5:-}
  awk -v label="$label" -v mine="$mine" -v other="$other" -v op="$op" -v limit="$limit" 'BEGIN {
    ratio = mine / other
    if (op == "") { target = "-"; result = "-" }
    else {
      target = op " " limit
      met = op == "<" ? ratio < limit : ratio <= limit
      result = met ? "PASS" : "FAIL"
    }
    printf "%-40s %8.2f %8.2f %9.2f  %-8s %s\n", label, mine, other, ratio, target, result
  }'
}
na() { printf '%-40s %s\n' "$1" "$2"; }
memory_row() {
  awk -v label="$1" -v mib="$2" 'BEGIN {
    printf "%-40s %8.1f  < 64     %s\n", label, mib, mib < 64 ? "PASS" : "FAIL"
  }'
}

echo
echo "Median wall seconds of $runs run(s), $(nproc) cores, page cache $cache"
printf '%-40s %8s %8s %9s  %-8s %s\n' comparison kzf other kzf/other target result
if [ "$do_pack" = yes ]; then
  compress=$(median "kzf --compress" 1)
  row "compressed: kzf vs zip -9" "$compress" "$(median "zip -9" 1)"
  row "compressed: kzf vs tar | pigz -9" "$compress" "$(median "tar | pigz -9" 1)" "<=" 1.00
  if [ "$has_jobs" = yes ]; then
    floor=$(awk -v cpu="$(median "kzf --compress --jobs 1" 2)" -v cores="$cores" 'BEGIN { print cpu / cores }')
    row "compressed: kzf vs $cores-core floor" "$compress" "$floor" "<=" 1.15
  else
    na "compressed: kzf vs $cores-core floor" "n/a (kzf has no --jobs)"
  fi
  row "stored: kzf vs tar + sync" "$(median kzf 1)" "$(median "tar + sync" 1)" "<=" 1.00
fi
if [ "$do_extract" = yes ]; then
  [ "$extract_jobs" = yes ] || na "" "(kzf extract and verify have no --jobs: one thread)"
  extract=$(median "kzf extract" 1)
  row "extract: kzf vs unzip -q" "$extract" "$(median "unzip -q" 1)" "<=" 0.50
  row "extract: kzf vs 7z x" "$extract" "$(median "7z x" 1)" "<=" 0.70
  verify=$(median "kzf verify" 1)
  row "verify: kzf vs unzip -t" "$verify" "$(median "unzip -t" 1)"
  row "verify: kzf vs 7z t" "$verify" "$(median "7z t" 1)" "<=" 0.60
  row "extract $small_files small: kzf vs unzip -q" "$(median "kzf extract, small" 1)" \
    "$(median "unzip -q, small" 1)" "<=" 0.80
fi
if [ "$do_repack" = yes ]; then
  repack=$(median "kzf repack" 1)
  row "repack 1%: kzf vs full kzf --compress" "$repack" "$(median "kzf full" 1)" "<=" 0.15
  # CPU time, which other work on the machine disturbs less than wall time.
  row "repack 1%, CPU: kzf vs full" "$(median "kzf repack" 2)" "$(median "kzf full" 2)" "<=" 0.20
  [ "$has_reuse" = yes ] || na "" "(kzf has no reuse: its repack is a full pack)"
  row "repack 1%: kzf vs zip -9 -u" "$repack" "$(median "zip -9 -u" 1)" "<" 1.00
  if [ "$has_diff" = yes ]; then
    row "stale 1%: kzf diff vs kzf repack" "$(median "kzf diff" 1)" "$repack" "<=" 1.00
  else
    na "stale 1%: kzf diff vs kzf repack" "n/a (kzf has no diff)"
  fi
fi
if [ "$do_edit" = yes ]; then
  if [ "$has_add" = yes ]; then
    add=$(median "kzf add" 1)
    row "replace 1 MiB: kzf add vs zip -9 + sync" "$add" "$(median "zip -9 one file" 1)" "<=" 1.00
    row "replace 1 MiB: kzf add vs full pack" "$add" "$(median "kzf full, edit" 1)" "<=" 0.20
  else
    na "replace 1 MiB: kzf add" "n/a (kzf has no add)"
  fi
fi
echo
printf '%-40s %8s  %-8s %s\n' "peak memory of kzf" MiB target result
if [ "$do_pack" = yes ]; then
  memory_row "pack ${large_mib} MiB file, stored" "$(peak "large, stored")"
  memory_row "pack ${large_mib} MiB file, compressed" "$(peak "large, compressed")"
  memory_row "pack the tree, compressed" "$(peak "kzf --compress")"
fi
if [ "$do_repack" = yes ]; then
  memory_row "repack 1%" "$(peak "kzf repack")"
  [ "$has_diff" = yes ] && memory_row "diff 1%" "$(peak "kzf diff")"
fi
[ "$do_extract" = yes ] && memory_row "extract the tree" "$(peak "kzf extract")"
[ "$do_edit" = yes ] && [ "$has_add" = yes ] && memory_row "replace 1 MiB (kzf add)" "$(peak "kzf add")"
echo
echo "took $(($(date +%s) - started)) s; load average $(cut -d" " -f1-3 /proc/loadavg)"
