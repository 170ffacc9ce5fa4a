#include <QFileInfo>

#include "platform/codecs/other_formats/codec_legacy_decoders.h"

namespace glimbrik::codec {

ImageRepresentation BilevelRepresentation(int width, int height, double dpiX, double dpiY) {
  ImageRepresentation rep;
  rep.pixelWidth = width;
  rep.pixelHeight = height;
  rep.dpiX = dpiX;
  rep.dpiY = dpiY;
  rep.bitsPerComponent = 1;
  rep.colorModel = ColorModel::Gray;
  return rep;
}

ImageResult<QImage> DecodeBilevelRows(const uchar* rows, qsizetype rowBytes,
                                      const ImageRepresentation& rep) {
  const int w = rep.pixelWidth, h = rep.pixelHeight;
  QImage image(w, h, QImage::Format_Grayscale8);
  if (image.isNull()) return ImageResult<QImage>::Fail(QStringLiteral("out of memory"));
  for (int y = 0; y < h; ++y) {
    const uchar* in = rows + y * rowBytes;
    uchar* pixels = image.scanLine(y);
    for (int x = 0; x < w; ++x) pixels[x] = (in[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

SourceFormat LegacyFormatOf(const QString& path, const QByteArray& head, SourceFormat sniffed) {
  if (sniffed != SourceFormat::Unknown && sniffed != SourceFormat::TGA) return sniffed;
  if (LooksLikeQuickTimeImage(head)) return SourceFormat::QuickTimeImage;
  if (HasMacPaintMacBinaryHeader(head)) return SourceFormat::MacPaint;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("pntg")) return SourceFormat::MacPaint;
  if (suffix == QLatin1String("fax")) return SourceFormat::Fax;
  if (suffix == QLatin1String("qti") || suffix == QLatin1String("qtif")) {
    return SourceFormat::QuickTimeImage;
  }
  return sniffed;
}

bool IsLegacyFormat(SourceFormat format) {
  return format == SourceFormat::MacPaint || format == SourceFormat::Fax ||
         format == SourceFormat::QuickTimeImage;
}

QString ProbeLegacy(SourceFormat format, const QByteArray& data, Representations* out) {
  switch (format) {
    case SourceFormat::MacPaint:
      return ProbeMacPaint(data, out);
    case SourceFormat::Fax:
      return ProbeFax(data, out);
    case SourceFormat::QuickTimeImage:
      return ProbeQuickTimeImage(data, out);
    default:
      return QStringLiteral("not an image file");
  }
}

ImageResult<QImage> DecodeLegacy(SourceFormat format, const QByteArray& data,
                                 const ImageRepresentation& rep) {
  switch (format) {
    case SourceFormat::MacPaint:
      return DecodeMacPaint(data, rep);
    case SourceFormat::Fax:
      return DecodeFax(data, rep);
    case SourceFormat::QuickTimeImage:
      return DecodeQuickTimeImage(data, rep);
    default:
      return ImageResult<QImage>::Fail(QStringLiteral("not an image file"));
  }
}

}  // namespace glimbrik::codec
