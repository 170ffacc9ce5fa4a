#!/usr/bin/env bash
# Takes docs/preferences-sheet.png and docs/about-panel.png: the application on a virtual X
# display, the sheet opened with its shortcut and the About panel from the Help menu. Needs
# xvfb-run, xdotool and ImageMagick (scripts/setup.sh installs them).
source "$(dirname "$0")/screenshot_common.sh"
built src/glimbrik glimbrik
work_folder
mkdir -p docs "$work/Pictures/Exports"
own_settings
export ASAN_OPTIONS=detect_leaks=0 OUT="$work/Pictures/Exports"
# A remembered destination folder, so that the sheet shows one.
mkdir -p "$GLIMBRIK_PREFERENCES_DIR"
cat >"$GLIMBRIK_PREFERENCES_DIR/com.TarnwellTechnologies.Glimbrik-Pref.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>DestinationURL</key><string>$OUT</string>
<key>UseAsDestinationFolder</key><integer>1</integer></dict></plist>
PLIST
on_screen bash -c '
  "$0" &
  app=$!
  sleep 5
  xdotool search --sync --onlyvisible --name "^Glimbrik$" windowfocus --sync
  xdotool key ctrl+comma
  sleep 2
  sheet=$(timeout 10 xdotool search --sync --onlyvisible --name "^Preferences$" | head -1)
  [[ -n "$sheet" ]] && import -window "$sheet" docs/preferences-sheet.png
  xdotool key Escape
  sleep 1
  xdotool search --onlyvisible --name "^Glimbrik$" windowfocus --sync
  xdotool key alt+h
  sleep 1
  xdotool key Up Return
  sleep 2
  about=$(timeout 10 xdotool search --sync --onlyvisible --name "^About$" | head -1)
  [[ -n "$about" ]] && import -window "$about" docs/about-panel.png
  kill "$app"
  wait "$app" || true
' "$build/src/glimbrik"
echo "wrote docs/preferences-sheet.png and docs/about-panel.png"
