#!/usr/bin/env bash
# The manual pages and the bash completion, checked against kzf itself: the
# pages render without a warning; every option that `kzf COMMAND --help`
# shows is in kzf(1); the completion offers each command exactly the long
# options it takes, and files, folders and stored names where they go.
#
# Usage: documentation_test.sh KZF PAGES_FOLDER COMPLETION
set -u
kzf=$1 pages=$2 completion=$3
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
expect() {  # what, expected, actual
    [[ $2 == "$3" ]] || fail "$1: expected [$2], got [$3]"
}

for page in "$pages/kzf.1" "$pages/varnok.1"; do
    expect "groff warnings for $page" "" "$(groff -man -Tutf8 -ww -z "$page" 2>&1)"
    if command -v man >/dev/null; then
        expect "man warnings for $page" "" \
            "$(man --warnings -l "$page" 2>&1 >/dev/null)"
    fi
done

# The completion as bash runs it, for the words of a command line whose
# last word is being completed: one offer a line, sorted.
source "$completion"
compopt() { :; }  # the builtin works only in a completion bash started
offers() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _kzf
    [[ ${#COMPREPLY[@]} -eq 0 ]] || printf '%s\n' "${COMPREPLY[@]}" | sort
}

for command in pack list verify extract cat diff add remove rename; do
    # The option column of the help: "  -o,--output TEXT ..." lines.
    names=$("$kzf" "$command" --help | sed -n 's/^  \(-[^ ]*\).*/\1/p' | tr ',' '\n')
    [[ -n $names ]] || fail "no options in kzf $command --help"
    for name in $names; do
        grep -qF -- "${name//-/\\-}" "$pages/kzf.1" ||
            fail "kzf.1 lacks $name of kzf $command"
    done
    expect "long options offered for kzf $command" \
        "$(grep -- '^--' <<<"$names" | sort)" "$(offers kzf "$command" --)"
    grep -qF "kzf $command" "$pages/kzf.1" || fail "kzf.1 lacks kzf $command"
done

# Files, folders and names where they go, in a folder of their own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir -p "assets/data/maps" "assets/data/sounds" "other dir"
echo map >"assets/data/maps/a b.map"
echo ogg >assets/data/sounds/x.ogg
touch notes.txt
"$kzf" pack assets -o game.kzf --quiet || fail "kzf pack"
PATH=$(dirname "$kzf"):$PATH

expect "commands" "pack" "$(offers kzf pa)"
expect "option prefix" $'--exclude\n--exclude-vcs' "$(offers kzf pack --ex)"
expect "levels" "$(seq 1 9)" "$(offers kzf pack x --compress --level '')"
expect "folder to pack" $'assets\nother dir' "$(offers kzf pack '')"
expect "file after -o" $'assets\ngame.kzf\nnotes.txt\nother dir' \
    "$(offers kzf pack assets -o '')"
expect "archives" $'assets\ngame.kzf\nother dir' "$(offers kzf list -h '')"
expect "folder after the archive" $'assets\nother dir' \
    "$(offers kzf diff game.kzf '')"
expect "names in the archive" 'data/maps/a\ b.map' \
    "$(offers kzf extract game.kzf -C out data/m)"
expect "names after options" $'data/maps/a\\ b.map\ndata/sounds/x.ogg' \
    "$(offers kzf cat game.kzf data/)"
expect "name to rename" 'data/sounds/x.ogg' "$(offers kzf rename game.kzf data/s)"
expect "files to add" $'notes.txt' "$(offers kzf add game.kzf no)"

[[ $failures -eq 0 ]] && echo "all checks passed"
exit $((failures > 0))
