#!/usr/bin/env bash
# Sets up, builds and runs every test (unit tests and fuzz-corpus replays) in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
ctest --preset default -j "$(nproc)"
