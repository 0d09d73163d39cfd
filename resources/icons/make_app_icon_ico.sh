#!/usr/bin/env bash
# Makes app_icon.ico, the Windows program's icon, from the 32x32 and 16x16
# images beside it (ImageMagick's convert, Debian package imagemagick). The
# .ico is kept in the repository so that a build needs no ImageMagick; run
# this again after the images change.
set -euo pipefail
cd "$(dirname "$0")"
convert app_icon_32.png app_icon_16.png app_icon.ico
