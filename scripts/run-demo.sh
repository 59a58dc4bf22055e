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
echo "Built the platform layer, the service library and the components in build/."
echo "The OrvMobile program itself is not built yet; run scripts/test.sh to exercise what exists."
