#include "app/list/entity_loader.h"

#include <QFile>
#include <QFileInfo>
#include <QTransform>
#include <cmath>

#include "engine/codecs/webp_bridge.h"
#include "engine/files/file_types.h"
#include "platform/codecs/image_source.h"
#include "platform/codecs/raw_heif_exr/exr_preview.h"
#include "platform/metadata/image_header.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {

namespace {

QString ColourModelText(ColourModel model) {
  switch (model) {
    case ColourModel::RGB:
    case ColourModel::Indexed:  // palette images report their palette's model
      return QStringLiteral("RGB");
    case ColourModel::CMYK:
      return QStringLiteral("CMYK");
    case ColourModel::Gray:
      return QStringLiteral("Gray");
    case ColourModel::Lab:
      return QStringLiteral("Lab");
    case ColourModel::Unknown:
      break;
  }
  return QString();
}

// WebP goes through the engine's bridge; only the thumbnail is kept, never the decoded image.
QImage DecodeWebPThumbnail(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QImage();
  const QByteArray bytes = file.readAll();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  int32_t width = 0;
  int32_t height = 0;
  if (GetWebPImageSize(data, static_cast<size_t>(bytes.size()), &width, &height) != 0 ||
      !IsImageSizeAllowed(width, height)) {
    return QImage();
  }
  QImage image(width, height, QImage::Format_RGBA8888);
  if (image.isNull() ||
      DecodeWebPToRGBA(data, static_cast<size_t>(bytes.size()), image.bits(),
                       static_cast<size_t>(image.sizeInBytes()), image.bytesPerLine()) != 0) {
    return QImage();
  }
  if (width <= kThumbnailMaxPixelSize && height <= kThumbnailMaxPixelSize) return image;
  return image.scaled(kThumbnailMaxPixelSize, kThumbnailMaxPixelSize, Qt::KeepAspectRatio,
                      Qt::SmoothTransformation);
}

// Decodes the first image shrunk to fit the thumbnail box; JPEG sources shrink while decoding,
// so a large photo is never decoded whole.
QImage DecodeThumbnail(const QString& path, int orientation) {
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  if (!source || !source->isValid()) return QImage();
  const ImageRepresentation& stored = source->representation(0);
  QSize target(stored.pixelWidth, stored.pixelHeight);
  if (target.width() > kThumbnailMaxPixelSize || target.height() > kThumbnailMaxPixelSize) {
    target = target.scaled(kThumbnailMaxPixelSize, kThumbnailMaxPixelSize, Qt::KeepAspectRatio)
                 .expandedTo({1, 1});
  }
  DecodeOptions options;
  options.minimumSize = target;
  const ImageResult<QImage> decoded = source->decode(0, options);
  if (!decoded.ok() || decoded.value.isNull()) return QImage();
  QImage image = decoded.value;
  if (image.size() != target)
    image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return OrientedImage(image, orientation);
}

// FlashPix pictures (compound documents named .fpx) are known, though no reader here reads them.
bool IsFlashPixFile(const QString& path) {
  if (QFileInfo(path).suffix().compare(QLatin1String("fpx"), Qt::CaseInsensitive) != 0)
    return false;
  QFile file(path);
  return file.open(QIODevice::ReadOnly) &&
         file.read(8) == QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

LoadedEntity Fallback(const QString& path, const QString& kind) {
  LoadedEntity loaded;
  const QFileInfo info(path);
  if (info.exists()) loaded.facts.fileSize = static_cast<quint64>(info.size());
  loaded.facts.thumbnailImage = TemplateImage(
      QStringLiteral("EmptyImage.pdf"), QSize(kThumbnailMaxPixelSize, kThumbnailMaxPixelSize));
  loaded.facts.thumbnailIsTemplate = true;
  // A file of a known kind that cannot be shown here keeps its kind; anything else is unknown.
  if (!IsFlashPixFile(path))
    loaded.kind = QStringLiteral("UNKNOWN");
  else if (kind.isEmpty())
    loaded.kind = DescriptionForExtension(QStringLiteral("fpx"));
  return loaded;
}

}  // namespace

QImage OrientedImage(const QImage& image, int orientation) {
  switch (orientation) {
    case 2:
      return image.mirrored(true, false);
    case 3:
      return image.transformed(QTransform().rotate(180));
    case 4:
      return image.mirrored(false, true);
    case 5:
      return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
      return image.transformed(QTransform().rotate(90));
    case 7:
      return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
      return image.transformed(QTransform().rotate(270));
    default:
      return image;
  }
}

LoadedEntity LoadEntityFacts(const QString& path, const QString& kind) {
  if (path.isEmpty()) return Fallback(path, kind);
  if (QFileInfo(path).suffix().compare(QLatin1String("exr"), Qt::CaseInsensitive) == 0) {
    if (std::optional<ExrPreview> exr = ReadExrPreview(path, kThumbnailMaxPixelSize)) {
      LoadedEntity loaded;
      loaded.facts.thumbnailImage = std::move(exr->image);
      loaded.facts.imageWidth = exr->width;
      loaded.facts.imageHeight = exr->height;
      loaded.facts.imageResolution = std::nearbyint(SanitisedDpi(exr->dpi));
      loaded.facts.imageColorModel = QStringLiteral("RGB");
      loaded.facts.fileSize = static_cast<quint64>(QFileInfo(path).size());
      if (kind.isEmpty()) loaded.kind = DescriptionForExtension(QStringLiteral("exr"));
      return loaded;
    }
  }
  const ImageHeaderResult probe = ReadImageHeader(path);
  if (!probe || !IsImageSizeAllowed(probe.header->width, probe.header->height))
    return Fallback(path, kind);
  const ImageHeader& header = *probe.header;
  LoadedEntity loaded;
  loaded.facts.thumbnailImage = header.format == ImageFormat::WebP
                                    ? DecodeWebPThumbnail(path)
                                    : DecodeThumbnail(path, header.orientation);
  if (loaded.facts.thumbnailImage.isNull()) return Fallback(path, kind);
  loaded.facts.imageWidth = header.displayWidth();
  loaded.facts.imageHeight = header.displayHeight();
  // The vertical resolution, else the horizontal one: a file may state only one.
  loaded.facts.imageResolution =
      std::nearbyint(header.dpiYStated ? header.dpiY : (header.dpiXStated ? header.dpiX : 72.0));
  loaded.facts.imageColorModel = header.format == ImageFormat::WebP
                                     ? QStringLiteral("RGB")
                                     : ColourModelText(header.colourModel);
  loaded.facts.fileSize = static_cast<quint64>(QFileInfo(path).size());
  if (kind.isEmpty()) {
    const QString description = DescriptionForExtension(header.formatName);
    loaded.kind = description.isEmpty() ? header.formatName.toUpper() : description;
  }
  return loaded;
}

}  // namespace glimbrik
