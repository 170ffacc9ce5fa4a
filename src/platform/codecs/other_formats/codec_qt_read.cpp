#include <QBuffer>
#include <QImageReader>
#include <QtEndian>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

QByteArray QtFormatName(SourceFormat format) {
  switch (format) {
    case SourceFormat::BMP:
      return "bmp";
    case SourceFormat::ICO:
      return "ico";
    case SourceFormat::ICNS:
      return "icns";
    case SourceFormat::XBM:
      return "xbm";
    case SourceFormat::XPM:
      return "xpm";
    default:
      return QByteArray();  // let Qt recognise it (PNM) or fail
  }
}

// Qt reports 96 dpi for files that state nothing; only BMP states a resolution among these.
void ReadHeaderResolution(const QByteArray& data, SourceFormat format, ImageRepresentation* rep) {
  if (format != SourceFormat::BMP || data.size() < 46) return;
  const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
  if (qFromLittleEndian<quint32>(bytes + 14) < 40) return;  // an old core header has none
  rep->dpiX = DotsPerInch(qFromLittleEndian<qint32>(bytes + 38) * 0.0254, 2);
  rep->dpiY = DotsPerInch(qFromLittleEndian<qint32>(bytes + 42) * 0.0254, 2);
}

struct Reader {
  QByteArray data;
  QBuffer buffer;
  QImageReader reader;
  Reader(const QByteArray& bytes, SourceFormat format) : data(bytes), buffer(&data) {
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
    reader.setFormat(QtFormatName(format));
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(QtFormatName(format).isEmpty());
  }
};

SourceFormat FormatOfSniffed(const QByteArray& data) { return SniffImageFormat(data.left(32)); }

}  // namespace

QString ProbeWithQt(const QByteArray& data, SourceFormat format, Representations* out) {
  Reader r(data, format);
  if (!r.reader.canRead()) return QStringLiteral("no reader for this image type");
  const int count = std::max(1, r.reader.imageCount());
  for (int i = 0; i < count && i < 256; ++i) {
    if (i > 0 && !r.reader.jumpToImage(i)) break;
    QSize size = r.reader.size();
    if (!size.isValid() && format == SourceFormat::ICNS) {
      // Qt's icon reader states no size before reading; icons are at most 1024 a side.
      Reader whole(data, format);
      if (i == 0 || whole.reader.jumpToImage(i)) size = whole.reader.read().size();
    }
    if (!size.isValid()) return QStringLiteral("unreadable image header");
    ImageRepresentation rep;
    rep.pixelWidth = size.width();
    rep.pixelHeight = size.height();
    const QImage::Format f = r.reader.imageFormat();
    rep.hasAlpha = f != QImage::Format_Invalid &&
                   QImage::toPixelFormat(f).alphaUsage() == QPixelFormat::UsesAlpha;
    rep.colorModel =
        f == QImage::Format_Indexed8 || f == QImage::Format_Mono || f == QImage::Format_MonoLSB
            ? ColorModel::Indexed
            : (f == QImage::Format_Grayscale8 ? ColorModel::Gray : ColorModel::RGB);
    ReadHeaderResolution(data, format, &rep);
    out->push_back(rep);
  }
  return QString();
}

ImageResult<QImage> DecodeWithQt(const QByteArray& data, int index,
                                 const ImageRepresentation& rep) {
  Reader r(data, FormatOfSniffed(data));
  r.reader.setAllocationLimit(0);  // our own size limit was checked on probing
  if (index > 0 && !r.reader.jumpToImage(index)) {
    return ImageResult<QImage>::Fail(QStringLiteral("no such image"));
  }
  QImage image = r.reader.read();
  if (image.isNull()) return ImageResult<QImage>::Fail(r.reader.errorString());
  if (image.width() != rep.pixelWidth || image.height() != rep.pixelHeight) {
    return ImageResult<QImage>::Fail(QStringLiteral("image size changed while reading"));
  }
  if (image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
      image.format() == QImage::Format_MonoLSB) {
    image.convertTo(QImage::Format_ARGB32);
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
