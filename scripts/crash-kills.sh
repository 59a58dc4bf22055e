#!/usr/bin/env bash
# The long run of the crash-safety tests: each file operation of the service library (INI save,
# settings save, restore, log trim, log append) is killed with SIGKILL at random points, KILLS
# times (400 unless given), and the files are checked after every kill. Prints one line per
# operation: the kills tried and the files lost or mixed (which must be 0).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd -P)
build_dir=${BUILD_DIR:-$repo/build}
kills=${1:-400}
cmake --build "$build_dir" -j "$(nproc)" --target SvcTests >/dev/null
ORV_KILLS="$kills" "$build_dir/bin/SvcTests" --gtest_filter='CrashSafetyTest.*' --gtest_brief=1 |
  grep -E 'kills|FAILED|PASSED'
