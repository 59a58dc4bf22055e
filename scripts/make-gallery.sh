#!/usr/bin/env bash
# Makes the README's screenshot gallery (docs/gallery/*.png) from the real program: for each
# device (Pocket PC and Smartphone in English, a Pocket PC in Simplified Chinese) it installs a new
# demo device in a temporary folder, starts the program headless and saves the main window, a scan
# with its findings, the options, the backups, the log and the about page. Run it again whenever
# the look changes; it builds what is missing first, as the demo device script does.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd -P)
build_dir=${1:-$repo/build}
out="$repo/docs/gallery"
auto="$build_dir/bin/wce-auto"
work=$(mktemp -d /tmp/orv-gallery-XXXXXX)
program_pid=""

cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Polls `list` until its active top-level window matches the pattern; fails after ten seconds.
wait_for_active() {
  local pattern=$1 i
  for i in $(seq 200); do
    if "$auto" list 2>/dev/null | grep -E '^[0-9a-f]+ ' | grep 'active=1' | grep -qE "$pattern"; then
      return 0
    fi
    sleep 0.05
  done
  echo "make-gallery: no active window like '$pattern'" >&2
  return 1
}

# Polls until the run has ended and the page shows it: Start is enabled again and the results
# view holds the run's lines (the page's timer shows them at its next tick).
wait_for_scan_end() {
  local i listing
  for i in $(seq 600); do
    listing=$("$auto" list 2>/dev/null || true)
    if grep -q ' id=20050 .*enabled=1' <<<"$listing" && grep -q ' id=1001 text="[^"]' <<<"$listing"; then
      return 0
    fi
    sleep 0.05
  done
  echo "make-gallery: the scan did not end" >&2
  return 1
}

open_page() {
  "$auto" command 0 "$1" >/dev/null
  wait_for_active 'class=Dialog'
}

close_page() {
  "$auto" command 0 "$1" >/dev/null
  wait_for_active 'class=OrvMobileApp'
}

shoot() {
  "$auto" screenshot "$out/$1.png" >/dev/null
  echo "make-gallery: docs/gallery/$1.png"
}

# One device: the options given to demo-device.sh, then the suffix of its pictures; with a third
# argument "scan-only" just the scan page is saved.
shoot_device() {
  local options=$1 suffix=$2 only=${3:-}
  local device="$work/device-$suffix"
  # shellcheck disable=SC2086
  bash "$repo/scripts/demo-device.sh" --build-dir "$build_dir" --device "$device" --headless --reset $options \
    > "$work/$suffix.out" 2>&1 &
  program_pid=$!
  export WCE_DEVICE_ROOT="$device"
  wait_for_active 'class=OrvMobileApp'
  [ -n "$only" ] || shoot "main-$suffix"
  open_page 20046
  wait_for_scan_end
  shoot "scan-$suffix"
  close_page 1
  if [ -z "$only" ]; then
    open_page 20047; shoot "options-$suffix"; close_page 2
    open_page 20048; shoot "backups-$suffix"; close_page 1
    open_page 20043; shoot "log-$suffix"; close_page 1
    open_page 20044; shoot "about-$suffix"; close_page 1
  fi
  "$auto" command 0 20004 >/dev/null
  wait "$program_pid" || true
  program_pid=""
}

mkdir -p "$out"
shoot_device "--pocketpc" ppc
shoot_device "--smartphone" sp
shoot_device "--pocketpc --codepage 936" ppc-cn scan-only
