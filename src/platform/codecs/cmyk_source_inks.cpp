#include "platform/codecs/cmyk_source_inks.h"

#include "platform/codecs/codec_decoders.h"
#include "platform/pixels/cmyk_inks.h"

namespace glimbrik {

bool HasAdobeSegment(const QByteArray& jpeg) {
  qsizetype i = 2;
  while (i + 4 <= jpeg.size()) {
    if (uchar(jpeg[i]) != 0xFF) return false;
    const uchar marker = uchar(jpeg[i + 1]);
    if (marker == 0xDA || marker == 0xD9) return false;
    const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
    if (marker == 0xEE && jpeg.mid(i + 4, 5) == "Adobe") return true;
    i += 2 + length;
  }
  return false;
}

namespace {

std::optional<CmykInks> StoredInks(const ImageSource& source, int index) {
  switch (source.format()) {
    case ImageFormat::JPEG: {
      CmykInks inks;
      ImageResult<QByteArray> samples = codec::DecodeJpegInks(source.data(), &inks.size);
      if (!samples.ok()) return std::nullopt;
      inks.samples = std::move(samples.value);
      return inks;
    }
    case ImageFormat::TIFF:
      return ReadTiffInks(source.data(), index);
    case ImageFormat::PSD: {
      CmykInks inks;
      ImageResult<QByteArray> samples =
          codec::DecodePsdInks(source.data(), &inks.size, &inks.alpha);
      if (!samples.ok()) return std::nullopt;
      inks.samples = std::move(samples.value);
      return inks;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<CmykInks> ReadSourceInks(const ImageSource& source, int index) {
  if (index < 0 || index >= source.count()) return std::nullopt;
  const ImageRepresentation& rep = source.representation(index);
  if (rep.colorModel != ColorModel::CMYK) return std::nullopt;
  std::optional<CmykInks> inks = StoredInks(source, index);
  if (!inks || inks->samples.size() != qsizetype(inks->size.width()) * inks->size.height() * 4) {
    return std::nullopt;
  }
  // Sources stay as stored until presentUpright; then each shows turned by its orientation.
  if (source.isUpright()) *inks = OrientedInks(*inks, rep.orientation);
  if (inks->size != QSize(rep.pixelWidth, rep.pixelHeight)) return std::nullopt;
  return inks;
}

std::shared_ptr<const ColorSpace> SourceInkSpace(const ImageRepresentation& rep) {
  auto space = ColorSpace::FromIccProfile(rep.iccProfile);
  return space && space->model() == ColorModel::CMYK ? space : ColorSpace::DeviceCMYK();
}

}  // namespace glimbrik
