#!/usr/bin/env bash
# The Debian packages of a build: makes them with `cpack -G DEB` into a
# temporary folder, checks which files each holds and that kzf's needs no
# Qt, validates varnok's AppStream metadata against the files its package
# installs (the desktop entry it launches), checks libkzf0's symbols file
# against the library's symbols, builds a program with the PhysFS archiver
# from libkzf-dev's files through pkg-config and reads an archive with it,
# and fails on any error or warning lintian gives any package. Skipped, with
# the reason, when the tools are missing.
#
# Usage: debian_package_test.sh BUILD_DIR LIBDIR [CFLAGS]
#   CFLAGS: what the build's own objects need at link (the sanitizers).
set -u
build=$1
libdir=$2
cflags=${3:-}
here=$(dirname "$0")
source "$here/../support/script_test.sh"
require_tools cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli cc nm \
    pkg-config
pkg-config --exists physfs ||
    { echo "SKIP: PhysFS is missing (scripts/install-deps.sh installs it)"; exit 77; }
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
done <<TABLE
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
libkzf0 + usr/$libdir/libkzf.so.0
libkzf0 + usr/share/doc/libkzf0/copyright
libkzf0 - usr/$libdir/libkzf.so
libkzf-dev + usr/include/kzf.h
libkzf-dev + usr/include/kzf_physfs.h
libkzf-dev + usr/$libdir/libkzf.so
libkzf-dev + usr/$libdir/libkzf.a
libkzf-dev + usr/$libdir/pkgconfig/kzf.pc
libkzf-dev + usr/$libdir/cmake/kzf/kzfConfig.cmake
libkzf-dev + usr/share/kzf/physfs/kzf_physfs.c
libkzf-dev + usr/share/doc/libkzf-dev/libkzf.md
libkzf-dev - usr/$libdir/libkzf.so.0
TABLE

# A build server installs kzf without the desktop's libraries.
depends=$(dpkg-deb --field "$(deb kzf)" Depends)
[[ $depends != *libqt* ]] || fail "kzf depends on Qt: $depends"
[[ $depends == *libc6* ]] || fail "kzf's dependencies are not worked out: $depends"

dpkg-deb --extract "$(deb varnok)" "$work/varnok"
appstreamcli validate-tree --no-net "$work/varnok" ||
    fail "varnok's AppStream metadata does not validate"

# Every symbol the library exports, and no other, is in its symbols file,
# so that programs built against it depend on a version that has theirs.
root=$work/root
dpkg-deb --extract "$(deb libkzf0)" "$root"
dpkg-deb --extract "$(deb libkzf-dev)" "$root"
dpkg-deb --control "$(deb libkzf0)" "$work/libkzf0"
for file in shlibs symbols triggers; do
    [[ -f $work/libkzf0/$file ]] || fail "libkzf0 has no $file file"
done
exported=$(nm -D --defined-only "$root/usr/$libdir/libkzf.so.0" |
    awk '{ sub(/@.*/, "", $3); print $3 }' | sort)
listed=$(sed -n 's/^ \([^@]*\)@.*/\1/p' "$work/libkzf0/symbols" | sort)
[[ $exported == "$listed" ]] ||
    fail "libkzf0's symbols file lists: $listed; the library exports: $exported"

# A game's program with the PhysFS archiver, built from the packages' files
# alone (their paths as kzf.pc gives them under /usr), reads an archive.
mkdir -p "$work/tree/data"
echo "hello from the archive" >"$work/tree/data/hello.txt"
"$build/cli/kzf" pack -q --compress "$work/tree" -o "$work/hello.kzf"
kzf_flags=$(PKG_CONFIG_SYSROOT_DIR=$root PKG_CONFIG_PATH=$root/usr/$libdir/pkgconfig \
    pkg-config --cflags --libs kzf)
if cc $cflags -o "$work/cat" "$here/kzf_physfs_cat.c" \
        "$root/usr/share/kzf/physfs/kzf_physfs.c" $kzf_flags \
        $(pkg-config --cflags --libs physfs) 2>"$work/cc.log"; then
    got=$(LD_LIBRARY_PATH=$root/usr/$libdir "$work/cat" "$work/hello.kzf" data/hello.txt)
    [[ $got == "hello from the archive" ]] || fail "the PhysFS program read: $got"
else
    cat "$work/cc.log"
    fail "a program does not build with libkzf-dev's files"
fi

# lintian exits 1 on errors, which the lines below name, and 2 when it
# could not check the packages at all.
lintian --no-cfg "$(deb kzf)" "$(deb varnok)" "$(deb libkzf0)" \
    "$(deb libkzf-dev)" >"$work/lintian.log" 2>&1
[[ $? -le 1 ]] || { cat "$work/lintian.log"; fail "lintian could not run"; }
while read -r line; do
    fail "lintian: $line"
done < <(grep -E '^[EW]: ' "$work/lintian.log")

finish
