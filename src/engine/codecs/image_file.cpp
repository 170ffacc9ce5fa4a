#include "engine/codecs/image_file.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTransform>
#include <cmath>

#include "engine/codecs/sgi_image.h"
#include "engine/codecs/webp_bridge.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/store/atomic_write.h"

namespace glimbrik {
namespace {

// WebP goes through the engine's own bridge rather than Qt's plugin.
QImage DecodeWebPImage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  int32_t width = 0;
  int32_t height = 0;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  const auto size = static_cast<size_t>(bytes.size());
  if (GetWebPImageSize(data, size, &width, &height) != 0) return {};
  QImage image(width, height, QImage::Format_RGBA8888);
  if (image.isNull() ||
      DecodeWebPToRGBA(data, size, image.bits(), static_cast<size_t>(image.sizeInBytes()),
                       static_cast<int>(image.bytesPerLine())) != 0) {
    return {};
  }
  return image;
}

// The header facts of a representation the image source read, so that every format the engine
// reads describes itself here the same way.
ImageHeader HeaderOf(const ImageSource& source) {
  const ImageRepresentation& rep = source.representation(0);
  ImageHeader header;
  header.format = source.format();
  header.width = rep.pixelWidth;
  header.height = rep.pixelHeight;
  header.dpiX = SanitisedDpi(rep.dpiX);
  header.dpiY = SanitisedDpi(rep.dpiY);
  header.orientation = rep.orientation;
  header.bitsPerComponent = rep.bitsPerComponent;
  header.hasAlpha = rep.hasAlpha;
  header.frameCount = source.count();
  switch (rep.colorModel) {
    case ColorModel::CMYK:
      header.colourModel = ColourModel::CMYK;
      break;
    case ColorModel::Gray:
      header.colourModel = ColourModel::Gray;
      break;
    case ColorModel::Lab:
      header.colourModel = ColourModel::Lab;
      break;
    case ColorModel::Indexed:
      header.colourModel = ColourModel::Indexed;
      break;
    default:
      header.colourModel = ColourModel::RGB;
      break;
  }
  return header;
}

// The transform that shows an image stored with an EXIF orientation upright.
QTransform OrientationToUpright(int orientation) {
  switch (orientation) {
    case 2:
      return QTransform(-1, 0, 0, 1, 0, 0);
    case 3:
      return QTransform(-1, 0, 0, -1, 0, 0);
    case 4:
      return QTransform(1, 0, 0, -1, 0, 0);
    case 5:
      return QTransform(0, 1, 1, 0, 0, 0);
    case 6:
      return QTransform(0, 1, -1, 0, 0, 0);
    case 7:
      return QTransform(0, -1, -1, 0, 0, 0);
    case 8:
      return QTransform(0, -1, 1, 0, 0, 0);
    default:
      return {};
  }
}

}  // namespace

bool ImageFile::load(const QString& url) {
  image_ = QImage();
  properties_.reset();
  orientation_ = 0;
  // The engine's own reading road, so that whatever a conversion reads can be described here.
  const std::shared_ptr<ImageSource> source = ImageSource::Open(url);
  if (source->isValid()) {
    ImageResult<QImage> decoded = source->decode(0);
    if (!decoded.ok() || decoded.value.isNull()) return false;
    image_ = std::move(decoded.value);
    properties_ = HeaderOf(*source);
  } else {
    // WebP is read through the engine's bridge, never by the image source.
    ImageHeaderResult probe = ReadImageHeader(url);
    if (!probe || probe.header->format != ImageFormat::WebP ||
        !IsImageSizeAllowed(probe.header->width, probe.header->height)) {
      return false;
    }
    QImage image = DecodeWebPImage(url);
    if (image.isNull()) return false;
    image_ = std::move(image);
    properties_ = probe.header;
  }
  orientation_ = properties_->orientation;
  return true;
}

int ImageFile::width() const {
  if (image_.isNull()) return 0;
  return orientation_ >= 5 && orientation_ <= 8 ? image_.height() : image_.width();
}

int ImageFile::height() const {
  if (image_.isNull()) return 0;
  return orientation_ >= 5 && orientation_ <= 8 ? image_.width() : image_.height();
}

double ImageFile::dpiWidth() const {
  return image_.isNull() || !properties_ ? 72.0 : SanitisedDpi(properties_->dpiX);
}

double ImageFile::dpiHeight() const {
  return !properties_ ? 72.0 : SanitisedDpi(properties_->dpiY);
}

bool ImageFile::scaleByPercent(double percent) {
  return redrawToSize(width() * percent / 100.0, height() * percent / 100.0);
}

bool ImageFile::redrawToSize(double width, double height) {
  if (image_.isNull() || image_.depth() > 32) return false;
  const double w = std::max(1.0, std::nearbyint(width));
  const double h = std::max(1.0, std::nearbyint(height));
  if (!std::isfinite(w) || !std::isfinite(h) ||
      !IsImageSizeAllowed(static_cast<int64_t>(w), static_cast<int64_t>(h))) {
    return false;
  }
  QImage bitmap(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGBX8888);
  if (bitmap.isNull()) return false;
  bitmap.fill(Qt::black);
  {
    // One smooth resample to the final size; a painter's bilinear filter aliases when shrinking.
    const QImage scaled =
        image_.scaled(bitmap.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&bitmap);
    painter.drawImage(0, 0, scaled);
  }
  image_ = std::move(bitmap);
  return true;
}

bool ImageFile::GetWebPFileSize(const QString& url, int* width, int* height) {
  QFile file(url);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (bytes.isEmpty()) return false;
  int32_t w = 0;
  int32_t h = 0;
  if (GetWebPImageSize(reinterpret_cast<const uint8_t*>(bytes.constData()),
                       static_cast<size_t>(bytes.size()), &w, &h) != 0) {
    return false;
  }
  if (width) *width = w;
  if (height) *height = h;
  return true;
}

void ImageFile::setOutput(int type, const QString& url, double quality) {
  outputType_ = type;
  destinationURL_ = url;
  quality_ = quality;
}

QString ImageFile::outputUTI() const {
  static const char* const kTypes[] = {"public.jpeg",
                                       "com.adobe.photoshop-image",
                                       "com.compuserve.gif",
                                       "public.jpeg-2000",
                                       "public.jpeg",
                                       "com.ilm.openexr-image",
                                       "com.apple.icns",
                                       "public.png",
                                       "com.adobe.pdf",
                                       "com.truevision.tga-image",
                                       "public.tiff",
                                       "com.microsoft.bmp",
                                       "com.sgi.sgi-image",
                                       "public.tiff",
                                       "com.apple.pict",
                                       "com.adobe.illustrator.ai-image",
                                       "com.apple.macpaint-image",
                                       "com.apple.quicktime-image",
                                       "com.microsoft.ico",
                                       "public.xbitmap-image",
                                       "com.kodak.flashpix.image",
                                       "public.fax",
                                       "public.camera-raw-image",
                                       "public.tiff",
                                       "public.jpeg"};
  const bool known = outputType_ >= 0 && outputType_ < static_cast<int>(std::size(kTypes));
  return QString::fromLatin1(known ? kTypes[outputType_] : "public.jpeg");
}

ImageFileDestinationProperties ImageFile::createDestinationProperties() const {
  ImageFileDestinationProperties properties;
  properties.orientation = orientation_;
  properties.hasAlpha = outputType_ == 2 || outputType_ == 3 || outputType_ == 7;
  if (outputType_ == 10 || outputType_ == 13 || outputType_ == 23) properties.tiffCompression = 5;
  if (outputType_ == 3 || outputType_ == 4) properties.lossyQuality = quality_;
  return properties;
}

bool ImageFile::save() {
  if (outputType_ == 12) return saveSGI();
  if (outputType_ == 8) return savePDF();
  if (image_.isNull() || destinationURL_.isEmpty()) return false;
  const ImageFileDestinationProperties wanted = createDestinationProperties();
  DestinationProperties properties;
  properties.orientation = wanted.orientation;
  properties.hasAlpha = wanted.hasAlpha;
  properties.tiffCompression = wanted.tiffCompression;
  properties.lossyQuality = wanted.lossyQuality;
  // The same encoders as a conversion's, so that every type a conversion writes is written here.
  const ImageResult<QByteArray> encoded = EncodeImage(image_, outputUTI(), properties);
  return encoded.ok() && WriteFileAtomically(destinationURL_, encoded.value);
}

bool ImageFile::savePDF() {
  if (image_.isNull() || destinationURL_.isEmpty()) return false;
  const QSizeF points(width() / dpiWidth() * 72.0, height() / dpiHeight() * 72.0);
  QPdfWriter pdf(destinationURL_);
  pdf.setTitle(QStringLiteral("PDF File"));
  pdf.setCreator(QStringLiteral("Image Convertor"));
  pdf.setResolution(72);
  pdf.setPageSize(QPageSize(points, QPageSize::Point));
  pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&pdf)) return false;
  const bool drawn = drawInContext(painter);
  painter.end();
  if (!drawn) QFile::remove(destinationURL_);
  return drawn;
}

bool ImageFile::saveSGI() {
  if (image_.isNull() || destinationURL_.isEmpty()) return false;
  SGIImage sgi;
  return sgi.loadCGImage(image_) && sgi.writeToURL(destinationURL_);
}

bool ImageFile::drawInContext(QPainter& painter) const {
  if (image_.isNull()) return false;
  // Drawn upright, so that the displayed size (sides exchanged for 5-8) is not distorted.
  const QImage upright = image_.transformed(OrientationToUpright(orientation_));
  const QRectF target(0, 0, width() / dpiWidth() * 72.0, height() / dpiHeight() * 72.0);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, upright);
  return true;
}

}  // namespace glimbrik
