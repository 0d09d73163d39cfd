#!/usr/bin/env bash
# The library as a program's build finds it once installed: installs the
# components libkzf and libkzf-dev into a temporary prefix, checks that the
# shared library exports the kzf_ functions alone under its soname, then
# builds read_every_entry.c through pkg-config and through find_package(kzf)
# (shared and static), and the first C program of doc/libkzf.md through
# pkg-config, and runs them on an archive kzf packed.
#
# Usage: installed_library_test.sh BUILD_DIR SOURCE_DIR KZF LIBDIR [CFLAGS]
#   LIBDIR: the library folder under the prefix (CMAKE_INSTALL_LIBDIR);
#   CFLAGS: what the build's own objects need at link (the sanitizers).
set -uo pipefail
build=$1 source=$2 kzf=$3 libdir=$4 cflags=${5:-}
source "$source/tests/support/script_test.sh"
require_tools cc pkg-config nm objdump cmake

prefix=$work/prefix
for component in libkzf libkzf-dev; do
    cmake --install "$build" --prefix "$prefix" --component "$component" \
        >"$work/install.log" || fail "installing $component: $(cat "$work/install.log")"
done
so=$(ls "$prefix/$libdir"/libkzf.so.0.* 2>/dev/null | head -n 1)
[[ -n $so ]] || fail "no libkzf.so.0.* in $prefix/$libdir"

# Only kzf_ functions (and the version node) leave the library.
others=$(nm -D --defined-only "$so" | awk '{print $3}' | sed 's/@.*//' |
    grep -vE '^(kzf_[a-z_]+|KZF_0)$')
[[ -z $others ]] || fail "exported beside the kzf_ functions: $others"
objdump -p "$so" | grep -q 'SONAME *libkzf\.so\.0$' || fail "soname is not libkzf.so.0"

# An archive of both methods, empty and large entries, nested folders.
tree=$work/tree
mkdir -p "$tree/data/maps/deep" "$tree/data/sounds"
seq 1 40000 >"$tree/data/maps/level.map"
head -c 200000 /dev/urandom >"$tree/data/sounds/x.bin"
: >"$tree/data/empty"
echo "volume=3" >"$tree/data/maps/deep/small.cfg"
"$kzf" pack "$tree" -o "$work/a.kzf" --compress --store '*.bin' -q ||
    fail "kzf pack failed"

# run NAME COMMAND...: runs a built program, failing with its output.
run() {
    local name=$1
    shift
    "$@" >"$work/out" 2>&1 || fail "$name: $(cat "$work/out")"
}

export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
export LD_LIBRARY_PATH=$prefix/$libdir
# shellcheck disable=SC2046,SC2086  # the flags are words
cc $cflags "$source/tests/libkzf/read_every_entry.c" -o "$work/read_pc" \
    $(pkg-config --cflags --libs kzf) || fail "building through pkg-config"
run "through pkg-config" "$work/read_pc" "$work/a.kzf" "$tree"
grep -q '^4 entries, 0 differ$' "$work/out" || fail "through pkg-config: $(cat "$work/out")"

mkdir -p "$work/project"
cp "$source/tests/libkzf/read_every_entry.c" "$work/project/"
cat >"$work/project/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(read_every_entry LANGUAGES C)
find_package(kzf 0 REQUIRED)
add_executable(read_shared read_every_entry.c)
target_link_libraries(read_shared PRIVATE kzf::kzf)
add_executable(read_static read_every_entry.c)
target_link_libraries(read_static PRIVATE kzf::kzf_static)
CMAKE
if cmake -S "$work/project" -B "$work/project/build" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_C_FLAGS="$cflags" -DCMAKE_EXE_LINKER_FLAGS="$cflags" \
        >"$work/cmake.log" 2>&1 &&
    cmake --build "$work/project/build" >>"$work/cmake.log" 2>&1; then
    for program in read_shared read_static; do
        run "$program" "$work/project/build/$program" "$work/a.kzf" "$tree"
        grep -q '^4 entries, 0 differ$' "$work/out" || fail "$program: $(cat "$work/out")"
    done
    ldd "$work/project/build/read_static" | grep -q libkzf &&
        fail "read_static loads the shared library"
else
    fail "building through find_package(kzf): $(tail -n 20 "$work/cmake.log")"
fi

# doc/libkzf.md's first C program, as it stands.
awk '/^```c$/ { inside = 1; next } inside && /^```/ { exit } inside' \
    "$source/doc/libkzf.md" >"$work/list.c"
# shellcheck disable=SC2046,SC2086
cc $cflags "$work/list.c" -o "$work/list" $(pkg-config --cflags --libs kzf) ||
    fail "building doc/libkzf.md's program"
"$work/list" "$work/a.kzf" data/maps/level.map >"$work/names" 2>"$work/said" ||
    fail "doc/libkzf.md's program: $(cat "$work/said")"
"$kzf" list --names "$work/a.kzf" >"$work/expected"
cmp -s "$work/names" "$work/expected" ||
    fail "doc/libkzf.md's program lists: $(cat "$work/names")"
grep -q "^data/maps/level.map: $(stat -c %s "$tree/data/maps/level.map") bytes$" \
    "$work/said" || fail "doc/libkzf.md's program says: $(cat "$work/said")"
finish
