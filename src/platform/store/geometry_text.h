#pragma once

// Points, sizes and rectangles as text, in the form preference files hold them: "{x, y}",
// "{w, h}" and "{{x, y}, {w, h}}", each number in its shortest exact decimal form.

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace glimbrik {

QString StringFromPoint(QPointF point);
QString StringFromSize(QSizeF size);
QString StringFromRect(const QRectF& rect);

// Text that does not hold the numbers reads as zero; a number that is not finite reads as zero.
QPointF PointFromString(const QString& text);
QSizeF SizeFromString(const QString& text);
QRectF RectFromString(const QString& text);

}  // namespace glimbrik
