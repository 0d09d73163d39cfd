#!/usr/bin/env bash
# Packs one tree with the Linux kzf and with kzf.exe under wine, stored and
# deflated, and checks that both make byte-identical archives, that each
# program lists and verifies the other's archive alike, that kzf.exe
# extracts the Linux archive to the very tree, and that kzf.exe repacking
# over the Linux archive makes it again.
#
#   bash scripts/cross-check.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
#
# The folders default to build/ and build-windows/ (or $BUILD_DIR and
# $BUILD_DIR-windows); both must be built.
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-${BUILD_DIR:-build}}
WINDOWS_BUILD_DIR=${2:-$linux_build-windows}
kzf=$PWD/$linux_build/cli/kzf
kzf_exe=$PWD/$WINDOWS_BUILD_DIR/cli/kzf.exe
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Inside wine the Linux root is drive Z:.
win() { echo "Z:${1//\//\\}"; }

# The tree: nested folders, a folder beside files that begin with its name
# and go on with a digit (where the byte order of '\' and '/' would part),
# empty files, mixed case, blanks, a dot file, and files of one byte to
# several read buffers, compressible and not.
game=$work/game
mkdir -p "$game/data/maps/e1" "$game/data/maps/e2" "$game/data/level" \
         "$game/data/level2" "$game/data/Textures" "$game/data/My Sounds"
head -c 700000 /dev/urandom > "$game/data/Textures/Wall.dds"
head -c 1 /dev/urandom > "$game/data/Textures/dot.DDS"
seq 1 200000 > "$game/data/maps/e1/m1.map"
seq 5 9 > "$game/data/maps/e1/m2.map"
: > "$game/data/maps/e1/empty.bin"
printf 'boss\n' > "$game/data/maps/e2/boss.map"
printf 'a\n' > "$game/data/level/a.map"
printf 'level one\n' > "$game/data/level1.map"
printf 'x\n' > "$game/data/level2/x.txt"
: > "$game/data/level10"
printf 'step' > "$game/data/My Sounds/Step 1.WAV"
printf 'cfg' > "$game/data/.config"

failures=0
fail() { echo "cross-check: $*" >&2; failures=$((failures + 1)); }

for mode in stored deflated; do
  flags=(-q)
  [ "$mode" = deflated ] && flags+=(--compress)
  linux=$work/linux-$mode.kzf
  windows=$work/windows-$mode.kzf
  "$kzf" pack "$game" -o "$linux" "${flags[@]}"
  "$WINE" "$kzf_exe" pack "$(win "$game")" -o "$(win "$windows")" "${flags[@]}"
  cmp "$linux" "$windows" || fail "$mode: the archives differ"

  # Each lists and verifies the other's archive as its own.
  [ "$("$kzf" list "$windows")" = "$("$WINE" "$kzf_exe" list "$(win "$linux")")" ] ||
    fail "$mode: the listings differ"
  "$kzf" verify "$windows" > /dev/null || fail "$mode: kzf can't verify kzf.exe's archive"
  "$WINE" "$kzf_exe" verify "$(win "$linux")" > /dev/null ||
    fail "$mode: kzf.exe can't verify kzf's archive"

  "$WINE" "$kzf_exe" extract "$(win "$linux")" -C "$(win "$work/out-$mode")"
  diff -r "$game/data" "$work/out-$mode/data" > /dev/null ||
    fail "$mode: kzf.exe extracted another tree"
  if [ "$mode" = deflated ]; then
    # kzf.exe repacking over kzf's archive takes its unchanged entries.
    cp "$linux" "$work/reused.kzf"
    "$WINE" "$kzf_exe" pack "$(win "$game")" -o "$(win "$work/reused.kzf")" \
      --compress > /dev/null
    cmp "$linux" "$work/reused.kzf" || fail "$mode: kzf.exe's repack differs"
  fi
  entries=$("$kzf" list --names "$linux" | wc -l)
  echo "cross-check: $mode: $entries entries, $(stat -c %s "$linux") bytes, identical"
done
[ "$failures" -eq 0 ]
