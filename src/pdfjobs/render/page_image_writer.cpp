#include "pdfjobs/render/page_image_writer.h"

#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/store/atomic_write.h"

namespace glimbrik {

bool SaveImageWithInks(const ImageConverter& converter, const QImage& image, const QString& url,
                       const QByteArray& cmyk, const std::shared_ptr<const ColorSpace>& profile) {
  if (url.isEmpty() || image.isNull()) return false;
  DestinationProperties properties = converter.createDestinationProperties(image.size());
  properties.cmykSamples = cmyk;
  if (profile && !properties.colorSpace) properties.colorSpace = profile;
  const ImageResult<QByteArray> encoded = EncodeImage(image, converter.outputUTI(), properties);
  return encoded.ok() && WriteFileAtomically(url, encoded.value);
}

}  // namespace glimbrik
