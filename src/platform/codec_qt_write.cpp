#include <QBuffer>
#include <QImageWriter>
#include <cmath>

#include "platform/codec_encoders.h"
#include "platform/pixel_formats.h"

namespace glimbrik::codec {

Encoded EncodeWithQt(const QImage& image, const char* format,
                     const DestinationProperties& properties) {
  QImage pixels = image.depth() > 32 ? ConvertedImage(image, QImage::Format_ARGB32) : image;
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
