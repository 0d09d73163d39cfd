#!/usr/bin/env bash
# Installs what is missing, builds Varnok and starts the desktop tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec build/ui/varnok "$@"
