#include "platform/system/qt_additions.h"

#include <QDir>

namespace glimbrik {

bool isEqualToURL(const QUrl& a, const QUrl& b) {
  if (a.adjusted(QUrl::NormalizePathSegments) == b.adjusted(QUrl::NormalizePathSegments)) {
    return true;
  }
  return a.isLocalFile() && b.isLocalFile() &&
         QDir::cleanPath(a.toLocalFile()) == QDir::cleanPath(b.toLocalFile());
}

QString hyperlinkFromString(const QString& text, const QUrl& url) {
  return QStringLiteral("<a href=\"%1\" style=\"color: blue; text-decoration: underline;\">%2</a>")
      .arg(url.toString(QUrl::FullyEncoded).toHtmlEscaped(), text.toHtmlEscaped());
}

QTransform transformRotatingAroundPoint(const QPointF& point, double degrees) {
  QTransform transform;
  transform.translate(point.x(), point.y());
  transform.rotate(degrees);
  transform.translate(-point.x(), -point.y());
  return transform;
}

}  // namespace glimbrik
