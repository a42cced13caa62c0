#!/usr/bin/env bash
# Installs what is missing, builds and starts the program. Arguments go to the
# program. Until the window program exists this starts the command-line front end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j "${JOBS:-$(nproc)}" --target vorlen-cli
if [ $# -eq 0 ]; then set -- --help; fi
exec build/src/cli/vorlen-cli "$@"
