#!/usr/bin/env bash
# Scan benchmark: builds ScanBench and the engine image, installs clamscan (Debian package clamav)
# when it is missing, and runs the benchmark over a generated corpus (about 1 GiB, written once).
# Usage: scripts/bench-scan.sh [work folder] [ScanBench options: --runs N, --small, --no-clamscan,
#        --hash-sizes-from-corpus]
# No database update is run and nothing is fetched beyond the package: clamscan is given only the
# generated databases.
set -euo pipefail
cd "$(dirname "$0")/.."
work="${1:-/tmp/orv-bench-scan}"
shift || true
if ! command -v clamscan >/dev/null 2>&1; then
  echo "bench-scan: installing clamav"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends clamav
fi
build=build-bench
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORV_BENCH=ON -DORV_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target ScanBench
exec "$build/bin/ScanBench" run "$work" "$@"
