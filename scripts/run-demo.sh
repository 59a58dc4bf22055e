#!/usr/bin/env bash
# Sets up and builds everything; runs the program on the demo device once the program exists.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
if [ -x build/bin/OrvMobile ] && [ -f scripts/demo-device.sh ]; then
  exec bash scripts/demo-device.sh "$@"
fi
echo "Built the platform layer, the service library, the engine image, the resource libraries and"
echo "build/bin/OrvMobile (start-up, main window, about page) in build/."
echo "The demo device and the scan, option, backup and log pages are not ready yet;"
echo "run scripts/test.sh to exercise what exists."
