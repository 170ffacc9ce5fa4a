#include "engine/convert/image_converter.h"
#include "platform/metadata/metadata_write.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {

namespace {

constexpr const char* kTypeIdentifiers[25] = {
    "public.jpeg",                     // 0: the source's own type once resolved
    "com.adobe.photoshop-image",       // 1
    "com.compuserve.gif",              // 2
    "public.jpeg-2000",                // 3
    "public.jpeg",                     // 4
    "com.ilm.openexr-image",           // 5
    "com.apple.icns",                  // 6
    "public.png",                      // 7
    "com.adobe.pdf",                   // 8
    "com.truevision.tga-image",        // 9
    "public.tiff",                     // 10
    "com.microsoft.bmp",               // 11
    "com.sgi.sgi-image",               // 12
    "public.tiff",                     // 13: drawn in CMYK
    "com.apple.pict",                  // 14
    "com.adobe.illustrator.ai-image",  // 15
    "com.apple.macpaint-image",        // 16
    "com.apple.quicktime-image",       // 17
    "com.microsoft.ico",               // 18
    "public.xbitmap-image",            // 19
    "com.kodak.flashpix.image",        // 20
    "public.fax",                      // 21
    "public.camera-raw-image",         // 22
    "public.tiff",                     // 23: multi-page TIFF of PDF pages
    "public.jpeg",                     // 24: WebP goes through its own bridge
};

bool IsTiffType(int type) { return type == 10 || type == 13 || type == 23; }

}  // namespace

QString OutputTypeIdentifier(int outputType) {
  if (outputType < 0 || outputType > 24) return QStringLiteral("public.jpeg");
  return QString::fromLatin1(kTypeIdentifiers[outputType]);
}

bool KeepsMetadata(int t) { return t == 1 || t == 2 || t == 4 || t == 7 || t == 10 || t == 13; }
bool IsBitmapRepType(int t) {
  return t == 2 || t == 3 || t == 4 || t == 7 || t == 10 || t == 11 || t == 13;
}
bool SupportsAlpha(int t) { return t == 2 || t == 3 || t == 7 || t == 10; }
bool StoresCmykInks(int t) { return t == 1 || t == 4 || t == 10 || t == 13; }

int BitmapFileType(int t) {
  switch (t) {
    case 2:
    case 3:
    case 7:
    case 11:
      return t;
    case 10:
    case 13:
    case 23:
      return 10;
    default:
      return 4;
  }
}

bool CanWriteOutputType(int outputType) {
  if (outputType == 0 || outputType == 12 || outputType == 24) return true;
  return outputType > 0 && outputType < 24 && CanEncodeType(OutputTypeIdentifier(outputType));
}

QString ExtensionForImageType(int outputType) {
  // The "ImageExtension" list is bundle data; without it there is no extension.
  static const QVariantList extensions =
      ReadBundlePlist(QStringLiteral("ImageExtension")).value.toList();
  if (outputType < 0 || outputType >= extensions.size()) return QString();
  return extensions[outputType].toString();
}

DestinationProperties ImageConverter::createDestinationProperties(QSize pixelSize) const {
  return destinationPropertiesFor(outputType, pixelSize);
}

DestinationProperties ImageConverter::destinationPropertiesFor(int type, QSize pixelSize) const {
  DestinationProperties properties;
  if (preserveMetadata && KeepsMetadata(type)) copyMetadata(&properties, pixelSize);
  if (orientation != 0) properties.orientation = orientation;
  properties.hasAlpha = type == 2 || type == 3 || type == 7;
  if (dpiX != 0 || dpiY != 0) {
    properties.dpiX = dpiX;
    properties.dpiY = dpiY;
  }
  if (IsTiffType(type)) properties.tiffCompression = 5;
  if (type == 3 || type == 4) properties.lossyQuality = quality;
  // Pixels are RGB or grey in memory; CMYK is made here, at the file boundary.
  if (colorSpace && type != 0) {
    properties.colorSpace = colorSpace;
  } else if (type == 13 || colorModel == 2) {
    properties.colorSpace = ColorSpace::DeviceCMYK();
  }
  addOutputInks(&properties, type, pixelSize);
  return properties;
}

void ImageConverter::addOutputInks(DestinationProperties* properties, int type,
                                   QSize pixelSize) const {
  if (!properties || !outputInks.space || outputInks.size != pixelSize || !StoresCmykInks(type) ||
      outputInks.samples.size() != qsizetype(pixelSize.width()) * pixelSize.height() * 4) {
    return;
  }
  properties->colorSpace = outputInks.space;
  properties->cmykSamples = outputInks.samples;
}

void ImageConverter::copyMetadata(DestinationProperties* properties, QSize pixelSize) const {
  const MetadataBlocks& source = sourceMetadata();
  if (source.empty()) return;
  properties->metadata = MetadataForOutput(source, pixelSize, orientation, dpiX, dpiY);
}

}  // namespace glimbrik
