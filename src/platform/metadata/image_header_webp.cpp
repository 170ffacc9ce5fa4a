// WebP headers through libwebp's feature reader plus a walk over the RIFF chunks, and the
// fallback through Qt's readers for minor formats.

#include <webp/decode.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "platform/metadata/image_header_parsers.h"

namespace glimbrik::header_detail {

QString ReadWebPHeader(QByteArrayView bytes, ImageHeader* header) {
  header->format = ImageFormat::WebP;
  header->formatName = QStringLiteral("webp");
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(reinterpret_cast<const uint8_t*>(bytes.data()),
                      static_cast<size_t>(bytes.size()), &features) != VP8_STATUS_OK) {
    return QStringLiteral("unreadable WebP header");
  }
  header->width = features.width;
  header->height = features.height;
  header->hasAlpha = features.has_alpha != 0;
  header->colourModel = ColourModel::RGB;
  header->bitsPerComponent = 8;
  const Bytes b(bytes);
  int frames = 0;
  size_t pos = 12;
  while (b.has(pos, 8)) {
    const size_t length = b.le32(pos + 4);
    if (length > b.size()) break;
    if (b.matches(pos, "ANMF", 4)) ++frames;
    if (b.matches(pos, "EXIF", 4)) {
      ApplyExif(ReadExifFacts(b.slice(pos + 8, length)), header, false);
    }
    pos += 8 + length + (length & 1);
  }
  header->frameCount = std::max(1, frames);
  return {};
}

namespace {

ImageFormat MinorFormat(const QString& name) {
  if (name == QLatin1String("ico") || name == QLatin1String("cur")) return ImageFormat::ICO;
  if (name == QLatin1String("icns")) return ImageFormat::ICNS;
  if (name == QLatin1String("tga")) return ImageFormat::TGA;
  if (name == QLatin1String("xbm")) return ImageFormat::XBM;
  if (name == QLatin1String("xpm")) return ImageFormat::XPM;
  if (name == QLatin1String("pbm") || name == QLatin1String("pgm") ||
      name == QLatin1String("ppm")) {
    return ImageFormat::PNM;
  }
  if (name == QLatin1String("psd")) return ImageFormat::PSD;
  if (name == QLatin1String("sgi") || name == QLatin1String("rgb")) return ImageFormat::SGI;
  return ImageFormat::Other;
}

}  // namespace

QString ReadOtherHeader(const QString& path, const QByteArray& bytes, ImageHeader* header) {
  QBuffer buffer;
  buffer.setData(bytes);
  if (!buffer.open(QIODevice::ReadOnly)) return QStringLiteral("unreadable");
  QImageReader reader(&buffer, QFileInfo(path).suffix().toLatin1().toLower());
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!reader.canRead() || !size.isValid() || size.isEmpty()) {
    return QStringLiteral("not an image file");
  }
  header->formatName = QString::fromLatin1(reader.format());
  header->format = MinorFormat(header->formatName);
  header->width = size.width();
  header->height = size.height();
  // Qt states 96 dpi for files without resolution, so its figure is not used.
  switch (reader.imageFormat()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
      header->colourModel = ColourModel::Indexed;
      header->bitsPerComponent = 8;
      break;
    case QImage::Format_Grayscale8:
      header->colourModel = ColourModel::Gray;
      header->bitsPerComponent = 8;
      break;
    case QImage::Format_Grayscale16:
      header->colourModel = ColourModel::Gray;
      header->bitsPerComponent = 16;
      break;
    case QImage::Format_RGBA64:
    case QImage::Format_RGBX64:
      header->colourModel = ColourModel::RGB;
      header->bitsPerComponent = 16;
      break;
    default:
      header->colourModel = ColourModel::RGB;
      header->bitsPerComponent = 8;
      break;
  }
  const QImage::Format format = reader.imageFormat();
  header->hasAlpha = format != QImage::Format_Invalid &&
                     QImage::toPixelFormat(format).alphaUsage() == QPixelFormat::UsesAlpha;
  header->frameCount = std::max(1, reader.imageCount());
  return {};
}

}  // namespace glimbrik::header_detail
