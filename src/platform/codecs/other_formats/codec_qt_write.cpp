#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

// Qt's icon writer stretches any picture to a square power-of-two size; fit it into such a
// square instead, on transparency, so that the icon keeps the picture's proportions.
QImage SquareIconImage(const QImage& image) {
  const int longest = std::max(image.width(), image.height());
  int side = 16;
  while (side * 2 <= std::min(longest, 1024)) side *= 2;
  if (image.width() == side && image.height() == side) return image;
  const QImage fitted = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
  square.fill(Qt::transparent);
  QPainter painter(&square);
  painter.drawImage((side - fitted.width()) / 2, (side - fitted.height()) / 2, fitted);
  painter.end();
  return square;
}

}  // namespace

Encoded EncodeWithQt(const QImage& image, const char* format,
                     const DestinationProperties& properties) {
  QImage pixels = image.depth() > 32 ? ConvertedImage(image, QImage::Format_ARGB32) : image;
  if (qstrcmp(format, "icns") == 0) pixels = SquareIconImage(pixels);
  if (qstrcmp(format, "bmp") == 0 || !ImageUsesAlpha(pixels)) {
    pixels = pixels.convertToFormat(QImage::Format_RGB32);
  }
  pixels.setDotsPerMeterX(int(std::lround(OutputDpiX(properties) / 0.0254)));
  pixels.setDotsPerMeterY(int(std::lround(OutputDpiY(properties) / 0.0254)));
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.canWrite())
    return Encoded::Fail(QStringLiteral("no %1 writer").arg(QLatin1String(format)));
  if (!writer.write(pixels)) return Encoded::Fail(writer.errorString());
  return {out, QString()};
}

}  // namespace glimbrik::codec
