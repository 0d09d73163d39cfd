#!/usr/bin/env bash
# Installs what is missing, builds the programs (not the tests) in build/
# and starts the desktop tool.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DVARNOK_BUILD_TESTS=OFF
exec build/ui/varnok "$@"
