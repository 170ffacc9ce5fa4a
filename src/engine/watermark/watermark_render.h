#pragma once

// Text and image watermarks drawn from the 550-point reference space. Every drawing function
// takes a painter whose transform maps y-up pixel coordinates of a width x height canvas (origin
// at the bottom left, see YUpTransform) to the device; it leaves that transform as it found it.

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QTransform>

class QPainter;

namespace glimbrik {

struct ImageWatermarkOptions;
struct TextWatermarkOptions;

constexpr double kWatermarkReferenceSide = 550.0;

// Maps y-up pixel coordinates of a canvas canvasHeight pixels high onto image rows.
QTransform YUpTransform(double canvasHeight);

// Lower-left corner of a ww x wh watermark anchored by tag on a W x H canvas; offsets grow
// inwards from the anchored edges. Unknown tags put the corner at the offset.
QPointF WatermarkOriginForPosition(int tag, double ox, double oy, double ww, double wh, double W,
                                   double H);

// An offset set for a baseSize canvas, moved to a W x H canvas. A side of baseSize that is not
// above zero (never set) leaves that coordinate as it is.
QPointF RescaleWatermarkOffset(QPointF offset, QSizeF baseSize, double W, double H);

// Draws already expanded text with the record's style; returns the frame in reference units.
// With writeBackOffset the record's offset becomes the one rescaled to this canvas.
QRectF DrawTextWatermark(QPainter* painter, const QString& text, TextWatermarkOptions* record,
                         bool writeBackOffset, double width, double height);

// Draws the watermark image; returns its frame in reference units. options->offset is rescaled
// to this canvas in place, so callers that draw more than one canvas pass a copy each time.
QRectF DrawImageWatermark(QPainter* painter, ImageWatermarkOptions* options, double width,
                          double height);

// The image and its size fitted into 550 x 550 (smaller images keep their pixel size). A null
// image gives a null image and an empty size.
QImage FitWatermarkImage(const QImage& image, QSizeF* size);

QPointF ScalePointBetweenSizes(double x, double y, double w1, double h1, double w2, double h2);

// Lower-left corner of a ww x wh rectangle turned by angle degrees about the tag's anchor
// moved by (ox, oy).
QPointF RotatedRectTransformForPosition(int tag, double ox, double oy, double ww, double wh,
                                        double W, double H, double angle);

// Rotation about a frame's centre after moving to its corner, as both watermarks use it.
QTransform FrameTransform(QPointF origin, QSizeF size, int64_t angleDegrees);

}  // namespace glimbrik
