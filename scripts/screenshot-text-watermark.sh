#!/usr/bin/env bash
# Takes docs/text-watermark-panel.png: the main window on a virtual X display with the text
# watermark panel in the sidebar beside the overlay of two ticked presets, as set up by the GUI
# test that checks it.
source "$(dirname "$0")/screenshot_common.sh"
test_shot text-watermark-panel.png 'WatermarkWindow.TextWatermarkPanelShowsBesideTheOverlay'
