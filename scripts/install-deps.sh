#!/usr/bin/env bash
# Installs the Debian packages Varnok needs to build and test, when any is
# missing. Runs as root (or through sudo when it is at hand).
set -euo pipefail

packages=(g++ cmake make qt6-base-dev zlib1g-dev libgtest-dev libcli11-dev)
# cpack -G DEB works out the package's dependencies with dpkg-shlibdeps.
packages+=(dpkg-dev file)
# The manual pages are compressed as Debian installs them and checked for
# warnings by the tests.
packages+=(gzip groff-base man-db)
# The packages and the desktop metadata are checked as Debian checks them.
packages+=(lintian appstream)
# The kzf archiver for PhysFS is tested, and benchmarked, in Debian's PhysFS.
packages+=(libphysfs-dev)
# The Windows build: mingw-w64 (posix threads), zlib for it, and wine to run
# its tests, and GoogleTest's sources to build it with.
packages+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 googletest)
# The Windows dialog's tests: a virtual display and a window manager.
packages+=(xvfb openbox)
# The Windows installer (makensis, with its 64-bit stubs) and the zip's test.
packages+=(nsis unzip)
# The archive's file type, installed and looked up as a desktop does.
packages+=(shared-mime-info xdg-utils libglib2.0-bin desktop-file-utils)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
