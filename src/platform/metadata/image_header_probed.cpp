// Headers of the formats that only the engine's own readers understand (Photoshop, SGI, Targa,
// portable maps, icons and the signature-less old formats): the probe that a conversion runs
// gives the facts, so that the list and a run never disagree about a file.

#include "platform/codecs/codec_decoders.h"
#include "platform/metadata/image_header_parsers.h"

namespace glimbrik::header_detail {

namespace {

QString FormatName(ImageFormat format, const QByteArray& bytes) {
  switch (format) {
    case ImageFormat::MacPaint:
      return QStringLiteral("pntg");
    case ImageFormat::Fax:
      return QStringLiteral("fax");
    case ImageFormat::QuickTimeImage:
      return QStringLiteral("qtif");
    case ImageFormat::PSD:
      return QStringLiteral("psd");
    case ImageFormat::SGI:
      return QStringLiteral("sgi");
    case ImageFormat::TGA:
      return QStringLiteral("tga");
    case ImageFormat::ICO:
      return QStringLiteral("ico");
    case ImageFormat::ICNS:
      return QStringLiteral("icns");
    case ImageFormat::XBM:
      return QStringLiteral("xbm");
    case ImageFormat::XPM:
      return QStringLiteral("xpm");
    case ImageFormat::PNM: {
      const char kind = bytes.size() > 1 ? bytes[1] : '6';
      return kind == '1' || kind == '4'   ? QStringLiteral("pbm")
             : kind == '2' || kind == '5' ? QStringLiteral("pgm")
                                          : QStringLiteral("ppm");
    }
    default:
      return QString();
  }
}

ColourModel ColourModelOf(ColorModel model) {
  switch (model) {
    case ColorModel::RGB:
      return ColourModel::RGB;
    case ColorModel::Gray:
      return ColourModel::Gray;
    case ColorModel::CMYK:
      return ColourModel::CMYK;
    case ColorModel::Lab:
      return ColourModel::Lab;
    case ColorModel::Indexed:
      return ColourModel::Indexed;
  }
  return ColourModel::Unknown;
}

}  // namespace

bool IsProbedFormat(ImageFormat format) { return !FormatName(format, {}).isEmpty(); }

QString ReadProbedHeader(ImageFormat format, const QByteArray& bytes, ImageHeader* header) {
  codec::Representations reps;
  if (QString reason = codec::ProbeFormat(format, bytes, &reps); !reason.isEmpty()) return reason;
  if (reps.empty()) return QStringLiteral("no image in the file");
  const ImageRepresentation& rep = reps.front();
  header->format = format;
  header->formatName = FormatName(format, bytes);
  header->width = rep.pixelWidth;
  header->height = rep.pixelHeight;
  // The probe already settled the resolution (72 where the file states none).
  header->dpiX = rep.dpiX;
  header->dpiY = rep.dpiY;
  header->dpiXStated = header->dpiYStated = true;
  header->orientation = rep.orientation;
  header->bitsPerComponent = rep.bitsPerComponent;
  header->hasAlpha = rep.hasAlpha;
  header->colourModel = ColourModelOf(rep.colorModel);
  header->frameCount = static_cast<int>(reps.size());
  return QString();
}

}  // namespace glimbrik::header_detail
