#!/usr/bin/env bash
# Takes docs/resize-panel.png: the resize panel for a selected image, on a virtual X display.
# The clicks go to fixed places of the 1280 x 800 window; needs xvfb-run, xdotool and ImageMagick
# (scripts/setup.sh installs them).
source "$(dirname "$0")/screenshot_common.sh"
built src/glimbrik glimbrik
work_folder
convert -size 2000x1333 gradient:'#0b132b-#5bc0be' -units PixelsPerInch -density 300 "$work/night sky.jpg"
mkdir -p docs
own_settings
export ASAN_OPTIONS=detect_leaks=0
on_screen bash -c '
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
