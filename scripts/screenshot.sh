#!/usr/bin/env bash
# Takes docs/main-window.png: the application on a virtual X display with a few generated images
# opened from the command line; then docs/preview-window.png: the preview of one of them, opened
# by clicking its row and the Preview button. Needs xvfb-run, xdotool and ImageMagick
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
convert -size 1600x1200 gradient:'#ff9a3c-#5b2a86' "$work/sunset.jpg"
convert -size 1200x1600 plasma:green-blue -blur 0x2 "$work/forest.jpg"
convert -size 1024x768 radial-gradient:'#fdf6c3-#2e86ab' "$work/lagoon.png"
convert -size 900x900 pattern:checkerboard -fill '#c0392b' -draw 'circle 450,450 450,150' "$work/poster.tif"
convert -size 2000x1333 gradient:'#0b132b-#5bc0be' -units PixelsPerInch -density 300 "$work/night sky.jpg"
mkdir -p docs
export GLIMBRIK_PREFERENCES_DIR="$work/prefs" GLIMBRIK_SUPPORT_DIR="$work/support/Glimbrik"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
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
