#include "platform/codecs/image_destination.h"

#include <QBuffer>
#include <QColorSpace>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "platform/codecs/codec_encoders.h"
#include "platform/metadata/metadata_write.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace codec {

bool ImageUsesAlpha(const QImage& image) {
  if (!image.hasAlphaChannel()) return false;
  // Whole rows are folded with AND, which the compiler vectorises, and tested once per row.
  if (image.depth() > 32) {
    const QImage deep = ConvertedImage(image, QImage::Format_RGBA64);
    const int width = deep.width();
    for (int y = 0; y < deep.height(); ++y) {
      const auto* line = reinterpret_cast<const quint64*>(deep.constScanLine(y));
      quint64 all = ~quint64(0);
      for (int x = 0; x < width; ++x) all &= line[x];
      if (QRgba64::fromRgba64(all).alpha() != 0xFFFF) return true;
    }
    return false;
  }
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int width = argb.width();
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    QRgb all = ~QRgb(0);
    for (int x = 0; x < width; ++x) all &= line[x];
    if (qAlpha(all) != 255) return true;
  }
  return false;
}

QByteArray ProfileToEmbed(const QImage& image, const DestinationProperties& properties) {
  if (properties.colorSpace) {
    const ColorModel model = properties.colorSpace->model();
    return model == ColorModel::RGB || model == ColorModel::Gray || model == ColorModel::CMYK
               ? properties.colorSpace->iccProfile()
               : QByteArray();
  }
  const QColorSpace space = image.colorSpace();
  return space.isValid() ? space.iccProfile() : QByteArray();
}

std::shared_ptr<const ColorSpace> CmykSpaceOf(const DestinationProperties& properties) {
  return properties.colorSpace && properties.colorSpace->model() == ColorModel::CMYK
             ? properties.colorSpace
             : nullptr;
}

QByteArray CmykSamplesOf(const QImage& image, const DestinationProperties& properties,
                         const ColorSpace& space) {
  const qsizetype expected = qsizetype(image.width()) * image.height() * 4;
  if (expected > 0 && properties.cmykSamples.size() == expected) return properties.cmykSamples;
  return space.rgbToCmyk(image);
}

double OutputDpiX(const DestinationProperties& p) { return p.dpiX > 0 ? p.dpiX : 72.0; }
double OutputDpiY(const DestinationProperties& p) { return p.dpiY > 0 ? p.dpiY : 72.0; }

Encoded EncodePdf(const QImage& image, const DestinationProperties& properties) {
  PdfAssembler pdf;
  if (!pdf.addPage(image, properties.dpiX, properties.dpiY)) {
    return Encoded::Fail(QStringLiteral("PDF page failed"));
  }
  QByteArray data = pdf.finish();
  if (data.isEmpty()) return Encoded::Fail(QStringLiteral("PDF writing failed"));
  return {data, QString()};
}

}  // namespace codec

namespace {

enum class Encoder {
  None,
  Jpeg,
  Png,
  Tiff,
  Gif,
  Jpeg2000,
  Tga,
  Psd,
  Pdf,
  Exr,
  Bmp,
  Ico,
  Icns,
  Xbm
};

Encoder EncoderFor(const QString& uti) {
  static const std::pair<const char*, Encoder> table[] = {
      {"public.jpeg", Encoder::Jpeg},
      {"public.png", Encoder::Png},
      {"public.tiff", Encoder::Tiff},
      {"com.compuserve.gif", Encoder::Gif},
      {"public.jpeg-2000", Encoder::Jpeg2000},
      {"com.truevision.tga-image", Encoder::Tga},
      {"com.adobe.photoshop-image", Encoder::Psd},
      {"com.adobe.pdf", Encoder::Pdf},
      {"com.ilm.openexr-image", Encoder::Exr},
      {"com.microsoft.bmp", Encoder::Bmp},
      {"com.microsoft.ico", Encoder::Ico},
      {"com.apple.icns", Encoder::Icns},
      {"public.xbitmap-image", Encoder::Xbm},
  };
  for (const auto& [name, encoder] : table) {
    if (uti == QLatin1String(name)) return encoder;
  }
  return Encoder::None;
}

bool CarriesMetadata(Encoder encoder) {
  return encoder == Encoder::Jpeg || encoder == Encoder::Png || encoder == Encoder::Tiff ||
         encoder == Encoder::Psd;
}

}  // namespace

bool CanEncodeType(const QString& typeIdentifier) {
  return EncoderFor(typeIdentifier) != Encoder::None;
}

ImageResult<QByteArray> EncodeImage(const QImage& image, const QString& typeIdentifier,
                                    const DestinationProperties& properties) {
  using Result = ImageResult<QByteArray>;
  if (image.isNull()) return Result::Fail(QStringLiteral("no image to encode"));
  const Encoder encoder = EncoderFor(typeIdentifier);
  Result result;
  switch (encoder) {
    case Encoder::None:
      return Result::Fail(QStringLiteral("no encoder for %1").arg(typeIdentifier));
    case Encoder::Jpeg:
      result = codec::EncodeJpeg(image, properties);
      break;
    case Encoder::Png:
      result = codec::EncodePng(image, properties);
      break;
    case Encoder::Tiff:
      result = codec::EncodeTiff(image, properties);
      break;
    case Encoder::Gif:
      result = codec::EncodeGif(image, properties);
      break;
    case Encoder::Jpeg2000:
      result = codec::EncodeJpeg2000(image, properties);
      break;
    case Encoder::Tga:
      result = codec::EncodeTga(image, properties);
      break;
    case Encoder::Psd:
      result = codec::EncodePsd(image, properties);
      break;
    case Encoder::Pdf:
      result = codec::EncodePdf(image, properties);
      break;
    case Encoder::Exr:
      result = codec::EncodeExr(image, properties);
      break;
    case Encoder::Bmp:
      result = codec::EncodeWithQt(image, "bmp", properties);
      break;
    case Encoder::Ico:
      result = codec::EncodeWithQt(image, "ico", properties);
      break;
    case Encoder::Icns:
      result = codec::EncodeWithQt(image, "icns", properties);
      break;
    case Encoder::Xbm:
      result = codec::EncodeWithQt(image, "xbm", properties);
      break;
  }
  if (!result.ok() || result.value.isEmpty()) {
    return Result::Fail(result.error.isEmpty() ? QStringLiteral("encoding failed") : result.error);
  }
  std::optional<MetadataBlocks> metadata = properties.metadata;
  if (!metadata && properties.orientation != 0 && encoder != Encoder::Tiff) {
    metadata = MetadataForOutput(MetadataBlocks(), QSize(), properties.orientation, 0, 0);
  }
  if (metadata && !metadata->empty() && CarriesMetadata(encoder)) {
    const QByteArray profile = codec::ProfileToEmbed(image, properties);
    const bool srgb =
        profile.isEmpty() || QColorSpace::fromIccProfile(profile) == QColorSpace::SRgb;
    ImageResult<QByteArray> tagged = EmbedImageMetadata(result.value, *metadata, srgb);
    // The pixels matter more than the tags: a file that exiv2 cannot tag is written untagged.
    if (tagged.ok()) result.value = std::move(tagged.value);
  }
  return result;
}

struct PdfAssembler::State {
  QByteArray data;
  QBuffer buffer{&data};
  std::unique_ptr<QPdfWriter> writer;
  std::unique_ptr<QPainter> painter;
  int pages = 0;
};

PdfAssembler::PdfAssembler() : state_(std::make_unique<State>()) {
  state_->buffer.open(QIODevice::WriteOnly);
  state_->writer = std::make_unique<QPdfWriter>(&state_->buffer);
  state_->writer->setCreator(QStringLiteral("Glimbrik"));
  // Device units of 1/72 inch, so that a page rectangle is its size in points.
  state_->writer->setResolution(72);
}

PdfAssembler::~PdfAssembler() {
  if (state_->painter) state_->painter->end();
}

bool PdfAssembler::addPage(const QImage& image, double dpiX, double dpiY) {
  if (image.isNull() || !state_->writer) return false;
  const double px = dpiX > 0 ? dpiX : 72.0;
  const double py = dpiY > 0 ? dpiY : 72.0;
  const QSizeF points(image.width() * 72.0 / px, image.height() * 72.0 / py);
  const QPageLayout layout(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch),
                           QPageLayout::Portrait, QMarginsF());
  QPdfWriter& writer = *state_->writer;
  if (!writer.setPageLayout(layout)) return false;
  if (state_->pages == 0) {
    state_->painter = std::make_unique<QPainter>();
    if (!state_->painter->begin(&writer)) return false;
  } else if (!writer.newPage()) {
    return false;
  }
  state_->painter->setRenderHint(QPainter::SmoothPixmapTransform);
  state_->painter->drawImage(QRectF(QPointF(0, 0), points), image);
  ++state_->pages;
  return true;
}

int PdfAssembler::pageCount() const { return state_->pages; }

QByteArray PdfAssembler::finish() {
  if (!state_->painter || state_->pages == 0) return QByteArray();
  state_->painter->end();
  state_->painter.reset();
  state_->writer.reset();
  state_->buffer.close();
  return state_->data;
}

}  // namespace glimbrik
