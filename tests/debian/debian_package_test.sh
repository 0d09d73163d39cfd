#!/usr/bin/env bash
# The Debian packages of a build: makes them with `cpack -G DEB` into a
# temporary folder, checks which files each holds and that kzf's needs no
# Qt, validates varnok's AppStream metadata against the files its package
# installs (the desktop entry it launches), and fails on any error or
# warning lintian gives either package. Skipped, with the reason, when the
# tools are missing.
#
# Usage: debian_package_test.sh BUILD_DIR
set -u
build=$1
source "$(dirname "$0")/../support/script_test.sh"
require_tools cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; fail "cpack -G DEB"; exit 1; }
deb() { echo "$work"/"$1"_*.deb; }

# Each line: package, then a path it must hold (+) or must not (-).
while read -r package sign path; do
    listing=$(dpkg-deb --contents "$(deb "$package")" | awk '{print $6}')
    if grep -qx "\./$path" <<<"$listing"; then
        [[ $sign == + ]] || fail "$package holds $path"
    else
        [[ $sign == - ]] || fail "$package lacks $path"
    fi
done <<'TABLE'
kzf + usr/bin/kzf
kzf + usr/share/man/man1/kzf.1.gz
kzf + usr/share/bash-completion/completions/kzf
kzf + usr/share/doc/kzf/format.md
kzf - usr/bin/varnok
varnok + usr/bin/varnok
varnok + usr/share/applications/varnok.desktop
varnok + usr/share/metainfo/io.github.varnok.Varnok.metainfo.xml
varnok + usr/share/mime/packages/varnok.xml
varnok + usr/share/icons/hicolor/48x48/apps/varnok.png
varnok - usr/bin/kzf
TABLE

# A build server installs kzf without the desktop's libraries.
depends=$(dpkg-deb --field "$(deb kzf)" Depends)
[[ $depends != *libqt* ]] || fail "kzf depends on Qt: $depends"
[[ $depends == *libc6* ]] || fail "kzf's dependencies are not worked out: $depends"

dpkg-deb --extract "$(deb varnok)" "$work/varnok"
appstreamcli validate-tree --no-net "$work/varnok" ||
    fail "varnok's AppStream metadata does not validate"

# lintian exits 1 on errors, which the lines below name, and 2 when it
# could not check the packages at all.
lintian --no-cfg "$(deb kzf)" "$(deb varnok)" >"$work/lintian.log" 2>&1
[[ $? -le 1 ]] || { cat "$work/lintian.log"; fail "lintian could not run"; }
while read -r line; do
    fail "lintian: $line"
done < <(grep -E '^[EW]: ' "$work/lintian.log")

finish
