#include "platform/store/bundle_resources.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include "platform/store/bundle.h"

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

namespace {
// Draws a template in the colour of the icon's state. Black shapes come out of Qt's own greying
// still black, so a disabled control would look usable: disabled templates are drawn faint.
class TemplateIconEngine : public QIconEngine {
 public:
  explicit TemplateIconEngine(QString name) : name_(std::move(name)) {}
  QIconEngine* clone() const override { return new TemplateIconEngine(name_); }
  QString key() const override { return QStringLiteral("GlimbrikTemplate"); }
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QImage image = TemplateImage(name_, rect.size() * scale, ColourFor(mode));
    image.setDevicePixelRatio(scale);
    painter->drawImage(rect, image);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    return QPixmap::fromImage(TemplateImage(name_, size, ColourFor(mode)));
  }

 private:
  static QColor ColourFor(QIcon::Mode mode) {
    return mode == QIcon::Disabled ? QColor(0, 0, 0, 80) : QColor(Qt::black);
  }
  QString name_;
};
}  // namespace

QIcon TemplateIcon(const QString& name) {
  if (TemplateImagePath(name).isEmpty()) return QIcon();
  return QIcon(new TemplateIconEngine(name));
}

QIcon ApplicationIcon() {
  QSvgRenderer renderer(QStringLiteral(":/images/Glimbrik.svg"));
  if (!renderer.isValid()) return QIcon();
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace glimbrik
