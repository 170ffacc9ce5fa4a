#include "pdfjobs/assembly/source_inks.h"

#include <QImage>
#include <algorithm>
#include <optional>

#include "engine/convert/image_converter.h"
#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/pixels/cmyk_inks.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

QByteArray EncodedWithSourceInks(const ImageConverter& converter, const QByteArray& encoded) {
  const ImageSource* source = converter.sourceImage.get();
  if (!source || (converter.colorModel != 0 && converter.colorModel != 2)) return {};
  const int index = std::max(0, converter.currentRepIndex);
  if (index >= source->count()) return {};
  const ImageRepresentation& own = source->representation(index);
  // The page turns the picture by the orientation written with it, so only a turn drawn into the
  // pixels would part them from the inks.
  if (own.colorModel != ColorModel::CMYK || own.hasAlpha || converter.rotationAngle % 360 != 0 ||
      converter.flip != 0) {
    return {};
  }
  const std::shared_ptr<ImageSource> result = ImageSource::FromData(encoded);
  if (!result->isValid()) return {};
  const ImageRepresentation& out = result->representation(0);
  const bool jpeg = result->format() == ImageFormat::JPEG;
  if ((!jpeg && result->format() != ImageFormat::TIFF) || out.colorModel != ColorModel::CMYK) {
    return {};
  }
  // The file's inks as shown, which the converter drew.
  const std::optional<CmykInks> inks = ReadSourceInks(*source, index);
  if (!inks) return {};
  const QSize size(out.pixelWidth, out.pixelHeight);
  const CmykInks scaled = ResampledInks(*inks, size);
  if (scaled.size != size) return {};

  DestinationProperties properties = converter.createDestinationProperties(size);
  properties.dpiX = out.dpiX;
  properties.dpiY = out.dpiY;
  properties.hasAlpha = false;
  properties.cmykSamples = scaled.samples;
  // The inks go with the profile they were made for, whatever the output would separate with.
  properties.colorSpace = SourceInkSpace(own);
  // The encoder takes only the size of the picture when it is given the inks.
  QImage picture(size, QImage::Format_RGB32);
  if (picture.isNull()) return {};
  picture.fill(Qt::white);
  const ImageResult<QByteArray> again = EncodeImage(
      picture, jpeg ? QStringLiteral("public.jpeg") : QStringLiteral("public.tiff"), properties);
  return again.ok() ? again.value : QByteArray();
}

}  // namespace glimbrik
