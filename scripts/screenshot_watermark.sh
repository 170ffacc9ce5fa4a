#!/usr/bin/env bash
# Takes docs/watermark-editor.png: the main window on a virtual X display with a photograph, a
# text watermark and an image watermark drawn over it, as set up by the GUI test that checks the
# same picture.
source "$(dirname "$0")/screenshot_common.sh"
test_shot watermark-editor.png 'WatermarkWindow.MainWindowShowsBothWatermarksOverThePhoto'
