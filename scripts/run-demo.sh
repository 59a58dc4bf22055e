#!/usr/bin/env bash
# Sets up and builds everything; runs the program on the demo device once the program exists.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
# Options go to the demo device (scripts/demo-device.sh --help), e.g. --smartphone or --codepage 936.
if [ -x build/bin/OrvMobile ] && [ -f scripts/demo-device.sh ]; then
  exec bash scripts/demo-device.sh "$@"
fi
echo "run-demo: build/bin/OrvMobile was not built; see the build output above." >&2
exit 1
