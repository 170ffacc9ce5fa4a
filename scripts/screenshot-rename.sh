#!/usr/bin/env bash
# Takes docs/rename-panel.png: the rename panel with a built-in pattern's token chips and the
# date popover of one chip open, on a virtual X display driven by xdotool. The click positions
# fit the 1280x800 screen below.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [[ ! -x "$build/src/glimbrik" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target glimbrik
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 800x600 gradient:'#ff9a3c-#5b2a86' "$work/IMG_0001.jpg"
mkdir -p docs
export GLIMBRIK_PREFERENCES_DIR="$work/prefs" GLIMBRIK_SUPPORT_DIR="$work/support/Glimbrik"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$0" "$@" &
  app=$!
  sleep 6
  xdotool mousemove 1261 375 click 1 && sleep 1          # the Rename switch
  xdotool mousemove 1047 407 click 1 && sleep 1          # the preset pop-up
  xdotool key Down Down Down Down Return && sleep 1      # "yyyy MMM IMG_#"
  xdotool mousemove 1125 450 click 1 && sleep 1          # the "Capture Date:MMM" chip
  import -window root -crop 520x380+760+330 +repage docs/rename-panel.png
  kill "$app"
  wait "$app" || true
' "$build/src/glimbrik" "$work"/*
echo "wrote docs/rename-panel.png"
