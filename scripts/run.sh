#!/usr/bin/env bash
# Installs what is missing, builds and starts the window program. Arguments
# go to the program: an address (or a local path) is opened at start.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build gui
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "${JOBS:-$(nproc)}" --target vorlen
exec build/src/app/vorlen "$@"
