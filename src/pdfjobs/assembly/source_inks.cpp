#include "pdfjobs/assembly/source_inks.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "engine/codecs/jpeg_memory.h"
#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/pdf/pdf_cmyk_inks.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

namespace {

std::optional<CmykInks> JpegInks(const QByteArray& jpeg) {
  uint8_t* pixels = nullptr;
  size_t size = 0;
  uint32_t w = 0, h = 0;
  int code = 0;
  double dpiX = 0, dpiY = 0;
  if (DecodeJPEGFromMemory(reinterpret_cast<const uint8_t*>(jpeg.constData()), size_t(jpeg.size()),
                           &code, nullptr, &pixels, &size, &w, &h, &dpiX, &dpiY) != 0) {
    return std::nullopt;
  }
  CmykInks inks;
  inks.samples = QByteArray(reinterpret_cast<const char*>(pixels), qsizetype(size));
  std::free(pixels);
  inks.size = QSize(int(w), int(h));
  if (code != kJPEGColourCodeCMYK || inks.samples.size() != qsizetype(w) * h * 4) {
    return std::nullopt;
  }
  if (HasAdobeSegment(jpeg)) {
    for (char& c : inks.samples) c = char(255 - uchar(c));
  }
  return inks;
}

}  // namespace

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
  std::optional<CmykInks> inks = source->format() == ImageFormat::JPEG ? JpegInks(source->data())
                                 : source->format() == ImageFormat::TIFF
                                     ? ReadTiffInks(source->data(), index)
                                     : std::nullopt;
  if (!inks) return {};
  // The file's inks as stored; the converter drew them as shown.
  inks = UprightInks(*inks, own.orientation);
  if (inks->size != QSize(own.pixelWidth, own.pixelHeight)) return {};
  const QSize size(out.pixelWidth, out.pixelHeight);
  const CmykInks scaled = ScaledInks(*inks, size);
  if (scaled.size != size) return {};

  DestinationProperties properties = converter.createDestinationProperties(size);
  properties.dpiX = out.dpiX;
  properties.dpiY = out.dpiY;
  properties.hasAlpha = false;
  properties.cmykSamples = scaled.samples;
  // The inks go with the profile they were made for, whatever the output would separate with.
  const std::shared_ptr<const ColorSpace> space = ColorSpace::FromIccProfile(own.iccProfile);
  properties.colorSpace =
      space && space->model() == ColorModel::CMYK ? space : ColorSpace::DeviceCMYK();
  // The encoder takes only the size of the picture when it is given the inks.
  QImage picture(size, QImage::Format_RGB32);
  if (picture.isNull()) return {};
  picture.fill(Qt::white);
  const ImageResult<QByteArray> again = EncodeImage(
      picture, jpeg ? QStringLiteral("public.jpeg") : QStringLiteral("public.tiff"), properties);
  return again.ok() ? again.value : QByteArray();
}

}  // namespace glimbrik
