#include "image_fixtures.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>

#include "platform/image_fixtures.h"

namespace glimbrik::test {

QImage TestPicture() {
  QImage image(96, 64, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgb(x * 255 / 95, y * 255 / 63, ((x / 8 + y / 8) % 2) * 200));
    }
  }
  QPainter painter(&image);
  painter.setPen(Qt::white);
  painter.drawEllipse(20, 10, 40, 40);
  return image;
}

bool WriteUncompressedPng(const QString& path) {
  QImageWriter writer(path, "png");
  writer.setQuality(100);  // compression level 0
  return writer.write(TestPicture());
}

bool WritePlainJpeg(const QString& path) {
  QImageWriter writer(path, "jpeg");
  writer.setQuality(90);
  writer.setOptimizedWrite(false);
  return writer.write(TestPicture());
}

bool WriteWastefulGif(const QString& path) {
  const QString png = path + ".png";
  if (!TestPicture().save(png, "PNG")) return false;
  bool ok = false;
  RunTool(QStringLiteral("convert"),
          {png, QStringLiteral("-set"), QStringLiteral("comment"), QString(200, u'c'), path}, &ok);
  QFile::remove(png);
  return ok && QFile::exists(path);
}

bool SamePixels(const QString& a, const QString& b) {
  const QImage first(a);
  const QImage second(b);
  if (first.isNull() || second.isNull()) return false;
  return first.convertToFormat(QImage::Format_ARGB32) ==
         second.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace glimbrik::test
