#!/usr/bin/env bash
# The archive's file type as a desktop sees it once Varnok is installed:
# installs the build into a temporary prefix, builds the prefix's MIME and
# desktop databases, and asks xdg-mime (through gio, as GNOME does) what
# files are and which program opens an archive. Skipped, with the reason,
# when the tools are missing.
#
# Usage: file_type_test.sh BUILD_DIR KZF
set -u
build=$1 kzf=$2
source "$(dirname "$0")/../../support/script_test.sh"
require_tools update-mime-database update-desktop-database xdg-mime gio
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
update-mime-database "$prefix/share/mime" || fail "update-mime-database"
update-desktop-database "$prefix/share/applications" ||
    fail "update-desktop-database"
# Only the prefix's data, besides the system's base types.
export XDG_DATA_HOME=$prefix/share XDG_DATA_DIRS=$prefix/share:/usr/share
export XDG_CURRENT_DESKTOP=GNOME HOME=$work

mkdir -p "$work/tree/data"
echo "level one" >"$work/tree/data/level.txt"
"$kzf" pack "$work/tree" -o "$work/mod.kzf" --quiet || fail "kzf pack"
cp "$work/mod.kzf" "$work/renamed.dat"
printf 'kzf1 is how this note begins\n' >"$work/note.dat"

type_of() { xdg-mime query filetype "$1"; }
for file in mod.kzf renamed.dat; do
    [[ $(type_of "$work/$file") == application/x-kzf ]] ||
        fail "$file is $(type_of "$work/$file"), not application/x-kzf"
done
[[ $(type_of "$work/note.dat") != application/x-kzf ]] ||
    fail "a note that starts with kzf1 is taken for an archive"
opener=$(xdg-mime query default application/x-kzf)
[[ $opener == varnok.desktop ]] ||
    fail "application/x-kzf opens with [$opener], not varnok.desktop"

finish
