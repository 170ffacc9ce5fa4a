#pragma once

// Small additions to Qt's own classes that the user interface shares.

#include <QPointF>
#include <QString>
#include <QTransform>
#include <QUrl>

namespace glimbrik {

// Equal absolute URLs, or two file URLs of the same path however they were written.
bool isEqualToURL(const QUrl& a, const QUrl& b);

// Rich text for a label: the whole string as a blue, underlined link to url.
QString hyperlinkFromString(const QString& text, const QUrl& url);

// Turns by degrees about point: translate to it, rotate, translate back.
QTransform transformRotatingAroundPoint(const QPointF& point, double degrees);

}  // namespace glimbrik
