#!/usr/bin/env bash
# Takes docs/rename-panel.png: the rename panel with a built-in pattern's token chips and the
# date popover of one chip open, on a virtual X display driven by xdotool. The click positions
# fit the 1280x800 screen below.
source "$(dirname "$0")/screenshot_common.sh"
built src/glimbrik glimbrik
work_folder
convert -size 800x600 gradient:'#ff9a3c-#5b2a86' "$work/IMG_0001.jpg"
mkdir -p docs
own_settings
on_screen bash -c '
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
