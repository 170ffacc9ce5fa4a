#include "platform/bundle_resources.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include "platform/bundle.h"

namespace glimbrik {

PlistResult ReadBundlePlist(const QString& name) {
  QString base = name;
  if (base.endsWith(QLatin1String(".plist"))) base.chop(6);
  const QString path = BundleResourcePath(base, QStringLiteral("plist"));
  if (path.isEmpty()) return {QVariant(), QStringLiteral("no resource %1.plist").arg(base)};
  return ReadPlistFile(path);
}

QString TemplateImagePath(const QString& name) {
  QString base = name;
  if (base.endsWith(QLatin1String(".pdf"))) base.chop(4);
  if (base.isEmpty() || base.contains(QLatin1Char('/'))) return QString();
  return BundleResourcePath(QStringLiteral("images/") + base, QStringLiteral("svg"));
}

QImage TemplateImage(const QString& name, const QSize& size, const QColor& color) {
  const QString path = TemplateImagePath(name);
  if (path.isEmpty() || size.isEmpty()) return QImage();
  QSvgRenderer renderer(path);
  if (!renderer.isValid()) return QImage();
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(image.rect(), color);
  painter.end();
  return image;
}

QIcon TemplateIcon(const QString& name) {
  const QString path = TemplateImagePath(name);
  return path.isEmpty() ? QIcon() : QIcon(path);
}

}  // namespace glimbrik
