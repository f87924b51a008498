#!/bin/bash
# Takes the pictures of the three popup windows in docs/screenshots/: runs
# each program under Wine on a virtual X display of its own, captures its
# window (under Wine without a window manager, the client area) and answers
# it with Esc.
#
# Usage: windows/popups/screenshots.sh [WINDOWS_BUILD_DIR] [DISPLAY_NUMBER]
#   WINDOWS_BUILD_DIR  the Windows build (default: build/windows), whose
#                      windows/ folder holds the popup programs
#   DISPLAY_NUMBER     the Xvfb display to use (default: 71)
# Needs wine64, Xvfb, xdotool and ImageMagick's import.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$repo/build/windows}" && pwd)
display=":${2:-71}"
programs="$build/windows"
shots="$repo/docs/screenshots"
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

work=$(mktemp -d /tmp/koru-popup-shots.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all DISPLAY="$display"
xvfb_pid=""

clean_up() {
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap clean_up EXIT

start_machine() {
  Xvfb "$display" -screen 0 1024x768x24 >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  sleep 1
  # A persistent server, so that the prefix's services stay up between
  # the programs.
  mkdir -p "$WINEPREFIX"
  "$wineserver" -p
  "$wine" wineboot -i >"$work/wineboot.log" 2>&1
}

# Prints the X id of the window with this exact title once it is shown.
wait_for_window() {
  local title=$1 id
  for _ in $(seq 1 150); do
    id=$(xdotool search --name "^$title\$" 2>/dev/null | head -1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  echo "no window titled '$title'" >&2
  return 1
}

# Runs one program, captures its window into docs/screenshots/NAME.png and
# closes it with Esc.
capture() {
  local program=$1 title=$2 name=$3 id
  shift 3
  (cd "$programs" && "$wine" "$program" "$@" >"$work/$name.log" 2>&1) &
  local run=$!
  id=$(wait_for_window "$title")
  # The controls are painted right after the window appears.
  sleep 0.5
  import -window "$id" "$shots/$name.png"
  # xdotool warns that the input focus is the pointer root: no window
  # manager gives it to any window, so the key is sent to the window.
  xdotool key --window "$id" Escape 2>/dev/null
  wait "$run" || true
  echo "$shots/$name.png"
}

mkdir -p "$shots"
start_machine
capture KoruPopupWindow.exe "Headphone volume limit" volume-limit-popup
capture KoruAudioSwitchWindow.exe "Audio device plugged in" audio-switch-window 1
capture ChimeWindow.exe "Audio device reset" chime-window
