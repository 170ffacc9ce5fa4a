#!/usr/bin/env bash
# Takes docs/resize-panel.png: the resize panel for a selected image, on a virtual X display.
# The clicks go to fixed places of the 1280 x 800 window; needs xvfb-run, xdotool and ImageMagick
# (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [[ ! -x "$build/src/glimbrik" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target glimbrik
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 2000x1333 gradient:'#0b132b-#5bc0be' -units PixelsPerInch -density 300 "$work/night sky.jpg"
mkdir -p docs
export GLIMBRIK_PREFERENCES_DIR="$work/prefs" GLIMBRIK_SUPPORT_DIR="$work/support/Glimbrik"
export ASAN_OPTIONS=detect_leaks=0
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$0" "$@" &
  app=$!
  sleep 5
  click() { xdotool mousemove "$1" "$2" click 1; sleep 0.7; }
  click 1261 398   # the Resize switch: on, and expanded
  click 872 122    # collapse Conversion
  click 1066 223   # the size pop-up; three items down (past a separator) is "800 x 600"
  xdotool key Down Down Down Return
  sleep 1
  import -window root docs/resize-panel.png
  kill "$app"
  wait "$app" || true
' "$build/src/glimbrik" "$work"/*
echo "wrote docs/resize-panel.png"
