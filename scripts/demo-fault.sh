#!/usr/bin/env bash
# Shows what a faulting scan engine does to a scan: installs a demo device with the probe build of
# the engine image (build/Lib-probe/Verdane.dll, which faults on files named "fault-probe"), runs a
# scan headless through wce-auto, saves screenshots of the scan page and the log page, and prints
# the log. With --init the engine faults while it starts instead, and the about page shows it.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd -P)
build_dir="$repo/build"
out_dir="$build_dir/demo-fault"
mode=scan
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=${2:?--build-dir needs a folder}; out_dir="$build_dir/demo-fault"; shift 2 ;;
    --out) out_dir=${2:?--out needs a folder}; shift 2 ;;
    --init) mode=init; shift ;;
    -h|--help) echo "usage: scripts/demo-fault.sh [--build-dir DIR] [--out DIR] [--init]"; exit 0 ;;
    *) echo "demo-fault: unknown option $1" >&2; exit 2 ;;
  esac
done

case "$out_dir" in /*) ;; *) out_dir="$PWD/$out_dir" ;; esac
case "$build_dir" in /*) ;; *) build_dir="$PWD/$build_dir" ;; esac
cmake --build "$build_dir" -j "$(nproc)" --target OrvMobile wce-auto OrvMobileEngCE orv_resources \
      orv_engine_image orv_engine_probe_image orv_help >/dev/null
device="$out_dir/device"
mkdir -p "$out_dir"
bash "$repo/scripts/demo-device.sh" --build-dir "$build_dir" --device "$device" --reset --headless --no-start >/dev/null
program_dir="$device/Program Files/OrvMobile"
cp -f "$build_dir/Lib-probe/Verdane.dll" "$program_dir/Lib/Verdane.dll"
if [ $mode = init ]; then
  : > "$program_dir/Lib/fault-init.probe"
else
  cp "$device/My Documents/Downloads/testfile.com" "$device/My Documents/fault-probe.exe"
fi
# A name the code page 1252 cannot carry, with the test file in it: found and treated as itself.
cp "$device/My Documents/Downloads/testfile.com" "$device/My Documents/報告.com"

export WCE_DEVICE_ROOT="$device" WCE_AUTOMATION=1 WCE_HEADLESS=1
export LD_LIBRARY_PATH="$build_dir/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
auto="$build_dir/bin/wce-auto"
(cd "$program_dir" && exec ./OrvMobile >"$out_dir/program.out" 2>&1) &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

for _ in $(seq 1 100); do
  "$auto" -p $pid list 2>/dev/null | grep -q 'class=OrvMobileApp' && break
  sleep 0.1
done
if [ $mode = init ]; then
  "$auto" -p $pid command 0 20044 >/dev/null
  sleep 0.5
  "$auto" -p $pid screenshot "$out_dir/about.png" >/dev/null
  "$auto" -p $pid command 0 1 >/dev/null
else
  "$auto" -p $pid command 0 20046 >/dev/null
  # The run ends with the count of the files that could not be scanned, after the finding message.
  "$auto" -p $pid wait 1011 "Scan complete. Viruses were found." 20000 >/dev/null
  sleep 1
  "$auto" -p $pid screenshot "$out_dir/scan.png" >/dev/null
  "$auto" -p $pid list | grep -A1 'id=1001 ' | head -2 > "$out_dir/scan-results.txt" || true
  "$auto" -p $pid command 0 1 >/dev/null
  sleep 0.5
fi
"$auto" -p $pid command 0 20043 >/dev/null
sleep 0.5
"$auto" -p $pid screenshot "$out_dir/log.png" >/dev/null
"$auto" -p $pid command 0 1 >/dev/null
sleep 0.3
"$auto" -p $pid command 0 20004 >/dev/null
wait $pid || true
trap - EXIT
echo "Screenshots in $out_dir; the log:"
iconv -f UTF-16LE -t UTF-8 "$program_dir/OrvMobile.Log" | tr -d '\r'
