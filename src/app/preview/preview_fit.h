#pragma once

// The arithmetic of the preview window: its frame fitted to an image and the text under it.

#include <QRect>
#include <QSize>
#include <QString>

namespace glimbrik {

// Room the window keeps beside the image: the bar of controls and the margins.
inline constexpr int kPreviewTitleAllowance = 45;
inline constexpr int kPreviewSideAllowance = 20;

// The frame for an image of width x height pixels, shrunk to the visible area and kept on it;
// frames are in screen coordinates (y downwards). The current frame is returned for an empty
// image; an empty visible area (no screen) does not limit the size.
QRect FitPreviewWindowFrame(const QRect& visible, const QRect& frame, const QSize& minimum,
                            qint64 height, qint64 width);

// "2 of 3 (x.png @ 72 dpi, 800 x 600 pixels)"; position is 1-based.
QString PreviewDescription(qint64 position, qint64 count, const QString& fileName, double dpi,
                           double width, double height);

// The text with its part before the first "(" renumbered; text without one is left as it is.
QString RenumberedPreviewDescription(const QString& text, qint64 position, qint64 count);

}  // namespace glimbrik
