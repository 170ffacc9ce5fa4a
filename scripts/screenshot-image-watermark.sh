#!/usr/bin/env bash
# Takes docs/image-watermark-panel.png: the main window on a virtual X display with the image
# watermark panel open and a rubber band dragged over the text and image watermarks, as set up
# by the GUI test that checks the same picture.
source "$(dirname "$0")/screenshot_common.sh"
test_shot image-watermark-panel.png 'WatermarkWindow.ImageWatermarkPanelWithARubberBandOverTheOverlay'
