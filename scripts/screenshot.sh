#!/usr/bin/env bash
# Takes docs/main-window.png: the application on a virtual X display with a few generated images
# opened from the command line; then docs/preview-window.png: the preview of one of them, opened
# by clicking its row and the Preview button. Needs xvfb-run, xdotool and ImageMagick
# (scripts/setup.sh installs them).
source "$(dirname "$0")/screenshot_common.sh"
built src/glimbrik glimbrik
work_folder
convert -size 1600x1200 gradient:'#ff9a3c-#5b2a86' "$work/sunset.jpg"
convert -size 1200x1600 plasma:green-blue -blur 0x2 "$work/forest.jpg"
convert -size 1024x768 radial-gradient:'#fdf6c3-#2e86ab' "$work/lagoon.png"
convert -size 900x900 pattern:checkerboard -fill '#c0392b' -draw 'circle 450,450 450,150' "$work/poster.tif"
convert -size 2000x1333 gradient:'#0b132b-#5bc0be' -units PixelsPerInch -density 300 "$work/night sky.jpg"
mkdir -p docs
own_settings
on_screen bash -c '
  "$0" "$@" &
  app=$!
  sleep 5
  import -window root docs/main-window.png
  xdotool mousemove 180 648 click 1 sleep 1 mousemove 806 780 click 1
  sleep 4
  import -window root docs/preview-window.png
  kill "$app"
  wait "$app" || true
' "$build/src/glimbrik" "$work"/*
echo "wrote docs/main-window.png and docs/preview-window.png"
