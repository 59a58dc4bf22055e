#!/usr/bin/env bash
# Installs the demo device (a host folder that is the device's root "\") from a build folder and
# starts OrvMobile on it: in an X11 window when a desktop is usable, otherwise headless with the
# automation socket. Run it again at any time: the program files are refreshed, the settings, the log
# and the backups are kept unless --reset is given.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: scripts/demo-device.sh [options]
  --build-dir DIR    build folder holding bin/OrvMobile, lib/, res/ and Lib/ (default: build/ of the checkout)
  --device DIR       the device folder (default: $ORV_DEMO_DEVICE, else <build folder>/demo-device)
  --pocketpc         a Pocket PC, 240x320 (default)
  --smartphone       a Smartphone, 176x220
  --platform TEXT    another device family by its platform-type text (e.g. "Palm PC2")
  --codepage N       the device code page: 1252 English (default), 936 Simplified, 950 Traditional Chinese
  --screen WxH       the screen size (default: by family)
  --reset            start from a new device: drops the settings, the log and the backups
  --headless         no X11 window even when DISPLAY is set
  --no-start         install only
EOF
}

repo=$(cd "$(dirname "$0")/.." && pwd -P)
build_dir="$repo/build"
device_dir=${ORV_DEMO_DEVICE:-}
platform=PocketPC
codepage=1252
screen=""
reset=0
headless=0
start=1

while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir=${2:?--build-dir needs a folder}; shift 2 ;;
    --device) device_dir=${2:?--device needs a folder}; shift 2 ;;
    --pocketpc) platform=PocketPC; shift ;;
    --smartphone) platform=SmartPhone; shift ;;
    --platform) platform=${2:?--platform needs a text}; shift 2 ;;
    --codepage) codepage=${2:?--codepage needs a number}; shift 2 ;;
    --screen) screen=${2:?--screen needs WxH}; shift 2 ;;
    --reset) reset=1; shift ;;
    --headless) headless=1; shift ;;
    --no-start) start=0; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "demo-device: unknown option $1" >&2; usage >&2; exit 2 ;;
  esac
done

case "$codepage" in ''|*[!0-9]*) echo "demo-device: --codepage takes a number" >&2; exit 2 ;; esac
if [ -n "$screen" ] && ! [[ "$screen" =~ ^[0-9]+x[0-9]+$ ]]; then
  echo "demo-device: --screen takes <width>x<height>" >&2; exit 2
fi
case "$platform" in *$'\n'*|*'#'*|*';'*) echo "demo-device: --platform text may not hold '#', ';' or a new line" >&2; exit 2 ;; esac

case "$build_dir" in /*) ;; *) build_dir="$PWD/$build_dir" ;; esac
[ -n "$device_dir" ] || device_dir="$build_dir/demo-device"

# The first line of device.profile marks a folder this script made; only such a folder is reset.
MARK="# Demo device written by scripts/demo-device.sh"

# The files the device gets from the build folder. The platform libraries go beside the program,
# which finds them there by its own location ($ORIGIN): the device works without the build folder.
platform_libs=(libwcecore.so libwceui.so libwcegdi.so libwcedisplay.so)
needed=(bin/OrvMobile bin/wce-auto lib/libOrvMobileEngCE.so res/OrvResEN.DLL res/OrvResCN.DLL
        res/OrvResTW.DLL Lib/Verdane.dll res/Help/OrvMobileEN.htm)
for lib in "${platform_libs[@]}"; do needed+=("lib/$lib"); done

build_missing() {
  local missing=0 file
  for file in "${needed[@]}"; do
    [ -e "$build_dir/$file" ] || missing=1
  done
  [ $missing -eq 0 ] && return 0
  if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    if [ "$build_dir" != "$repo/build" ]; then
      echo "demo-device: $build_dir is not a configured build folder" >&2; exit 1
    fi
    (cd "$repo" && cmake --preset default >/dev/null)
  fi
  echo "demo-device: building the program into $build_dir"
  cmake --build "$build_dir" -j "$(nproc)" --target OrvMobile wce-auto OrvMobileEngCE orv_resources \
        orv_engine_image orv_help
}

# Copies a file through a temporary name, so that a running program's binary is replaced, never
# rewritten in place, and an interrupted copy leaves no half file behind.
refresh() {
  local from=$1 to=$2
  cp -f "$from" "$to.new" && mv -f "$to.new" "$to"
}

prepare_root() {
  if [ -e "$device_dir" ] && [ ! -d "$device_dir" ]; then
    echo "demo-device: $device_dir is not a folder" >&2; exit 1
  fi
  mkdir -p "$device_dir"
  device_dir=$(cd "$device_dir" && pwd -P)   # the program finds itself by its real path
  local profile="$device_dir/device.profile"
  local ours=0
  [ -f "$profile" ] && [ "$(head -n 1 "$profile")" = "$MARK" ] && ours=1
  if [ $ours -eq 0 ] && [ -n "$(ls -A "$device_dir")" ]; then
    echo "demo-device: $device_dir holds other files; give an empty or new folder" >&2; exit 1
  fi
  if [ $reset -eq 1 ] && [ $ours -eq 1 ]; then
    find "$device_dir" -mindepth 1 -delete
  fi
}

write_profile() {
  {
    echo "$MARK"
    echo "Platform=$platform"
    echo "PlatformId=3"
    echo "Version=4.20"
    echo "CodePage=$codepage"
    if [ -n "$screen" ]; then echo "Screen=$screen"; fi
  } > "$device_dir/device.profile.new"
  mv -f "$device_dir/device.profile.new" "$device_dir/device.profile"
}

# The help files go where each family looks for them: the Pocket PC family in \Windows\, the
# others in the program's Help\ folder. Both get them, so any family the device is started as
# finds its help.
install_program() {
  local program="$device_dir/Program Files/OrvMobile" file
  mkdir -p "$program/Lib" "$program/Help" "$device_dir/Windows"
  refresh "$build_dir/bin/OrvMobile" "$program/OrvMobile"
  chmod 755 "$program/OrvMobile"
  refresh "$build_dir/lib/libOrvMobileEngCE.so" "$program/libOrvMobileEngCE.so"
  for file in "${platform_libs[@]}"; do
    refresh "$build_dir/lib/$file" "$program/$file"
  done
  for file in OrvResEN.DLL OrvResCN.DLL OrvResTW.DLL; do
    refresh "$build_dir/res/$file" "$program/$file"
  done
  for file in "$build_dir"/Lib/*; do
    refresh "$file" "$program/Lib/$(basename "$file")"
  done
  for file in "$build_dir"/res/Help/*; do
    refresh "$file" "$program/Help/$(basename "$file")"
    refresh "$file" "$device_dir/Windows/$(basename "$file")"
  done
}

# The standard anti-virus test file. The string is kept masked here as in the engine, so that no
# scanner takes this script for the test file; it is unmasked only into the device's files.
MASKED_TEST_STRING=(
  0x02 0x42 0xDB 0x90 0x9E 0xCE 0x48 0x64 0x12 0x04 0x48 0xC5 0xE6 0x89 0xA8 0x38 0x1E 0x6F 0x34 0xDF
  0xB7 0x8C 0x9B 0xB6 0x3B 0x18 0x31 0x4D 0xC3 0xEA 0x83 0x9C 0xA8 0x3A 0x67 0x05 0x2F 0xC5 0xEC 0x84
  0xB0 0xBB 0x31 0x78 0x18 0x27 0xD9 0xFB 0x83 0xB5 0x51 0x72 0x13 0x0F 0x3D 0xC6 0xE6 0xE2 0xAA 0x40
  0x6A 0x06 0x41 0x59 0xD2 0x9C 0x9C 0xDB)

write_test_file() {
  local escaped="" i
  for i in "${!MASKED_TEST_STRING[@]}"; do
    escaped+=$(printf '\\x%02x' $(( MASKED_TEST_STRING[i] ^ ((0x5A + 29 * i) & 0xFF) )))
  done
  mkdir -p "$(dirname "$1")"
  printf "$escaped" > "$1"
}

# A small 24-bit picture: 16x16 pixels in four coloured quarters.
write_picture() {
  local row="" x y
  {
    printf 'BM\x36\x03\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00\x10\x00\x00\x00\x10\x00\x00\x00\x01\x00\x18\x00'
    printf '\x00\x00\x00\x00\x00\x03\x00\x00\x13\x0b\x00\x00\x13\x0b\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    for y in $(seq 0 15); do
      row=""
      for x in $(seq 0 15); do
        if [ $y -lt 8 ]; then
          [ $x -lt 8 ] && row+='\xd0\x60\x20' || row+='\x30\xa0\x30'
        else
          [ $x -lt 8 ] && row+='\x20\x40\xe0' || row+='\xe0\xe0\x40'
        fi
      done
      printf "$row"
    done
  } > "$1"
}

# Ordinary files and the test file copies; rewritten on every run, so that a demo scan that treated
# them can be shown again. Other files on the device are left alone.
install_documents() {
  local docs="$device_dir/My Documents" card="$device_dir/Storage Card"
  mkdir -p "$docs/Personal" "$docs/Downloads/Tools" "$docs/Mail/Attachments" "$card/Photos" \
           "$device_dir/Windows" "$device_dir/Temp"
  printf 'Meeting with the field team on Tuesday.\r\nBring the new handhelds.\r\n' > "$docs/Notes.txt"
  printf 'Milk\r\nBread\r\nBatteries (AA)\r\n' > "$docs/Personal/Shopping list.txt"
  write_picture "$docs/Personal/Badge.bmp"
  seq 1 2000 | tr '\n' ',' | gzip -9n > "$docs/Downloads/Readings.gz"
  head -c 3000 "$device_dir/Program Files/OrvMobile/OrvResEN.DLL" > "$docs/Downloads/Tools/Setup.exe"
  printf 'Photos from the trade fair.\r\n' > "$card/Readme.txt"
  write_picture "$card/Photos/Stand.bmp"
  write_test_file "$docs/Downloads/testfile.com"
  write_test_file "$docs/Downloads/Tools/update.exe"
  write_test_file "$docs/Mail/Attachments/invoice.txt"
  write_test_file "$card/Photos/slides.com"
}

# A desktop is usable when its X socket is there (local displays) or, for others, when xdpyinfo
# reaches it or cannot be asked.
desktop_usable() {
  [ $headless -eq 0 ] && [ -n "${DISPLAY:-}" ] || return 1
  if [[ "$DISPLAY" =~ ^(unix)?:([0-9]+) ]]; then
    [ -S "/tmp/.X11-unix/X${BASH_REMATCH[2]}" ] && return 0
  fi
  command -v xdpyinfo >/dev/null 2>&1 || return 0
  timeout 5 xdpyinfo >/dev/null 2>&1
}

print_layout() {
  echo "Demo device: $device_dir"
  echo "  \\device.profile                Platform=$platform CodePage=$codepage${screen:+ Screen=$screen}"
  echo "  \\Program Files\\OrvMobile\\      the program, its libraries, resource libraries, Lib\\ and Help\\"
  echo "  \\Windows\\                      the help files, where the Pocket PC family looks"
  echo "  \\My Documents\\, \\Storage Card\\ ordinary files and four copies of the anti-virus test file"
}

print_automation_help() {
  cat <<EOF
Drive it from another terminal (the commands reach the program through its automation socket):
  export WCE_DEVICE_ROOT='$device_dir'
  auto='$build_dir/bin/wce-auto'
  "\$auto" list                       # the windows and their controls
  "\$auto" command 0 20046            # open the scan page (20047 options, 20048 backups, 20043 log, 20044 about)
  "\$auto" waitbox 5000               # wait for a question to come up (box: the one that is up)
  "\$auto" answer 6                   # answer it: 6 Yes, 7 No
  "\$auto" screenshot /tmp/orv-demo.png
  "\$auto" command 0 1                # Done: close the page
  "\$auto" command 0 20004            # exit the program
The README walks through a scan, a restore and clearing the log this way.
EOF
}

start_program() {
  local program="$device_dir/Program Files/OrvMobile/OrvMobile"
  export WCE_DEVICE_ROOT="$device_dir" WCE_AUTOMATION=1
  # The program folder is the program's working folder too, as when it is started from the device's shell.
  cd "$device_dir/Program Files/OrvMobile"
  if desktop_usable; then
    unset WCE_HEADLESS
    echo "Starting OrvMobile in an X11 window on $DISPLAY (wce-auto reaches it too, see the README)."
    exec "$program"
  fi
  export WCE_HEADLESS=1
  echo "Starting OrvMobile headless (no usable X11 display); it runs until it is told to exit or Ctrl-C."
  print_automation_help
  exec "$program"
}

build_missing
prepare_root
write_profile
install_program
install_documents
print_layout
[ $start -eq 1 ] || exit 0
start_program
