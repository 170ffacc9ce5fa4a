#!/usr/bin/env bash
# Takes docs/image-watermark-panel.png: the main window on a virtual X display with the image
# watermark panel open and a rubber band dragged over the text and image watermarks. The window
# is set up by the GUI test that checks the same picture
# (WatermarkWindow.ImageWatermarkPanelWithARubberBandOverTheOverlay), which saves it when
# GLIMBRIK_SCREENSHOT is set. Needs xvfb-run (scripts/setup.sh installs it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [[ ! -x "$build/tests/app_tests" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target app_tests
fi
mkdir -p docs
out=$PWD/docs/image-watermark-panel.png
xvfb-run -a -s "-screen 0 1280x800x24" env QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0 \
  GLIMBRIK_SCREENSHOT="$out" "$build/tests/app_tests" \
  --gtest_filter='WatermarkWindow.ImageWatermarkPanelWithARubberBandOverTheOverlay'
echo "wrote docs/image-watermark-panel.png"
