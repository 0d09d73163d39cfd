#!/usr/bin/env bash
# Runs a command on a virtual display of its own (xvfb-run, Debian package
# xvfb) with the openbox window manager, which lets wine show and close
# windows at once instead of waiting for a manager that never answers.
#
#   bash tests/ui/win32/on_virtual_display.sh COMMAND [ARGUMENT...]
set -euo pipefail
if [ -z "${VARNOK_VIRTUAL_DISPLAY:-}" ]; then
  VARNOK_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" \
    bash "$0" "$@"
fi
openbox >/dev/null 2>&1 &
manager=$!
trap 'kill "$manager" 2>/dev/null || true' EXIT
"$@"
