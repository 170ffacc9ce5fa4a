#!/usr/bin/env bash
# Takes docs/watermark-editor.png: the main window on a virtual X display with a photograph, a
# text watermark and an image watermark drawn over it. The window is set up by the GUI test that
# checks the same picture (WatermarkWindow.MainWindowShowsBothWatermarksOverThePhoto), which
# saves it when GLIMBRIK_SCREENSHOT is set. Needs xvfb-run (scripts/setup.sh installs it).
source "$(dirname "$0")/screenshot_common.sh"
built tests/app_tests app_tests
mkdir -p docs
out=$PWD/docs/watermark-editor.png
on_screen env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  GLIMBRIK_SCREENSHOT="$out" "$build/tests/app_tests" \
  --gtest_filter='WatermarkWindow.MainWindowShowsBothWatermarksOverThePhoto'
echo "wrote docs/watermark-editor.png"
