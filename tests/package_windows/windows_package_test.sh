#!/usr/bin/env bash
# The Windows downloads as a user meets them, under wine in a prefix of
# their own: cpack makes the installer and the zip from the build; the zip's
# programs run from where it was unpacked; a silent install puts the files,
# the Start-menu shortcut, the .kzf association, kzf's PATH entry and the
# Apps & features entry in place, and the association's command starts the
# installed varnok.exe; a silent uninstall leaves no file or key behind.
#
#   bash tests/package_windows/windows_package_test.sh BUILD_DIR VERSION [CPACK]
set -euo pipefail
build=$(cd "$1" && pwd)
version=$2
cpack=${3:-cpack}
work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
trap '"$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
# Runs a Windows program; its output without carriage returns.
win() { "$wine" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The value name of key ("" for its default value), or nothing when
# either is missing.
reg_value() {
  if [ -z "$2" ]; then
    win reg query "$1" /ve | sed -n 's/^ *(Default) *REG_[A-Z_]* *//p'
  else
    win reg query "$1" /v "$2" | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
  fi
}
expect_equal() {  # what, got, expected
  [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
setup=$work/out/varnok-$version-setup.exe
zip=$work/out/varnok-$version-windows-x64.zip
[ -f "$setup" ] || fail "cpack made no $setup"
[ -f "$zip" ] || fail "cpack made no $zip"

"$wine" wineboot --init </dev/null >/dev/null 2>&1 || true
"$wineserver" -w

# The zip: every file at its top, both programs running from there.
unzip -q "$zip" -d "$work/unzipped"
for file in varnok.exe kzf.exe README.txt LICENSE.txt format.md; do
  [ -f "$work/unzipped/$file" ] || fail "the zip holds no $file"
done
# The library: what a program is built with, and a DLL that stands alone,
# needing none of the compiler's runtime DLLs.
for file in bin/libkzf.dll lib/libkzf.dll.a lib/libkzf.a include/kzf.h \
    include/kzf_physfs.h physfs/kzf_physfs.c lib/pkgconfig/kzf.pc \
    lib/cmake/kzf/kzfConfig.cmake libkzf.md; do
  [ -f "$work/unzipped/libkzf/$file" ] || fail "the zip holds no libkzf/$file"
done
dll=$(x86_64-w64-mingw32-objdump -p "$work/unzipped/libkzf/bin/libkzf.dll")
dll_imports=$(sed -n 's/^.*DLL Name: //p' <<<"$dll" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
case $dll_imports in
  *libstdc++*|*libgcc*|*libwinpthread*|*zlib*) fail "libkzf.dll needs $dll_imports" ;;
esac
grep -qw kzf_open <<<"$dll" || fail "libkzf.dll exports no kzf_open"
expect_equal "kzf.exe --version from the zip" \
  "$(win "$work/unzipped/kzf.exe" --version)" "kzf $version"
win "$work/unzipped/varnok.exe" --version | grep -qF "$version" ||
  fail "varnok.exe --version from the zip does not name $version"

# The installer, for this user, with kzf on the PATH, which holds a folder
# of the user's already.
win reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d 'C:\Tools' /f >/dev/null
start=$(date +%s%N)
"$wine" "$setup" /S /CURRENTUSER /PATH=yes </dev/null >/dev/null 2>&1 ||
  fail "the silent install failed"
"$wineserver" -w
echo "silent install: $(( ($(date +%s%N) - start) / 1000000 )) ms"

profile=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData | grep -v /Public/)
home_dir=$profile/Local/Programs/Varnok
windows_dir=$(reg_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnok' InstallLocation)
[ -n "$windows_dir" ] || fail "no Apps & features entry"
for file in varnok.exe kzf.exe README.txt LICENSE.txt format.md uninstall.exe; do
  [ -f "$home_dir/$file" ] || fail "not installed: $home_dir/$file"
done
shortcut="$profile/Roaming/Microsoft/Windows/Start Menu/Programs/Varnok.lnk"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"

uninstall='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnok'
classes='HKCU\Software\Classes'
while IFS='|' read -r key name expected; do
  expect_equal "$key $name" "$(reg_value "$key" "$name")" "$expected"
done <<END
$uninstall|DisplayName|Varnok
$uninstall|DisplayVersion|$version
$uninstall|DisplayIcon|$windows_dir\\varnok.exe,0
$uninstall|QuietUninstallString|"$windows_dir\\uninstall.exe" /S
$classes\\.kzf||Varnok.Archive
$classes\\Varnok.Archive\\DefaultIcon||$windows_dir\\varnok.exe,0
$classes\\Varnok.Archive\\shell\\open\\command||"$windows_dir\\varnok.exe" "%1"
HKCU\\Environment|Path|C:\\Tools;$windows_dir
END
[ -n "$(reg_value "$uninstall" EstimatedSize)" ] || fail "no EstimatedSize"

# The association's command split into words as the shell splits it (its
# quotes hold no backslash that bash would take), given --version for %1:
# the installed program answers.
open=$(reg_value "$classes\\Varnok.Archive\\shell\\open\\command" '')
eval "command=(${open//%1/--version})"
win "${command[@]}" | grep -qF "$version" ||
  fail "the association's command does not start the installed varnok.exe"

# The uninstaller finishes in a copy of itself after it returns.
"$wine" "$home_dir/uninstall.exe" /S </dev/null >/dev/null 2>&1 ||
  fail "the silent uninstall failed"
"$wineserver" -w
[ ! -e "$home_dir" ] || fail "left behind: $(ls -A "$home_dir")"
[ ! -e "$shortcut" ] || fail "left behind: the Start-menu shortcut"
for key in "$uninstall" "$classes\\Varnok.Archive" "$classes\\.kzf"; do
  ! win reg query "$key" >/dev/null || fail "left behind: $key"
done
expect_equal "the PATH after uninstalling" \
  "$(reg_value 'HKCU\Environment' Path)" 'C:\Tools'
echo "installer and zip: all checks passed"
