#include <QFileInfo>

#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"

namespace glimbrik::codec {

ImageFormat RawHeifExrFormat(const QByteArray& head, const QString& path) {
  if (IsHeifFile(head)) return ImageFormat::HEIF;
  if (IsExrFile(head)) return ImageFormat::OpenEXR;
  if (IsCameraRawFile(head, path)) return ImageFormat::CameraRaw;
  return ImageFormat::Unknown;
}

QString ReadRawHeifExrHeader(const QString& path, const QByteArray& bytes, bool wholeFile,
                             ImageHeader* header) {
  const ImageFormat format = RawHeifExrFormat(bytes, path);
  Representations reps;
  QString reason;
  switch (format) {
    case ImageFormat::HEIF:
      reason = ProbeHeif(bytes, &reps);
      header->formatName = QStringLiteral("heic");
      break;
    case ImageFormat::OpenEXR:
      reason = ProbeExr(bytes, &reps);
      header->formatName = QStringLiteral("exr");
      break;
    case ImageFormat::CameraRaw: {
      reason = wholeFile || path.isEmpty() ? ProbeCameraRaw(bytes, &reps)
                                           : ProbeCameraRawFile(path, &reps);
      const QString suffix = QFileInfo(path).suffix().toLower();
      header->formatName = suffix.isEmpty() ? QStringLiteral("dng") : suffix;
      break;
    }
    default:
      return QStringLiteral("not an image file");
  }
  if (!reason.isEmpty()) return reason;
  if (reps.empty()) return QStringLiteral("no image in the file");
  const ImageRepresentation& rep = reps.front();
  header->format = format;
  header->width = rep.pixelWidth;
  header->height = rep.pixelHeight;
  // The readers settled the resolution (72 where the file states none).
  header->dpiX = rep.dpiX;
  header->dpiY = rep.dpiY;
  header->dpiXStated = header->dpiYStated = true;
  header->orientation = 0;  // these readers hand out upright pictures
  header->colourModel = rep.colorModel == ColorModel::Gray ? ColourModel::Gray : ColourModel::RGB;
  header->bitsPerComponent = rep.bitsPerComponent;
  header->hasAlpha = rep.hasAlpha;
  return {};
}

}  // namespace glimbrik::codec
