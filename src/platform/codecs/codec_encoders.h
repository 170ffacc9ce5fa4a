#pragma once

// The per-format writers behind EncodeImage. Private to the platform.

#include <QByteArray>
#include <QImage>

#include "platform/codecs/image_destination.h"

namespace glimbrik::codec {

using Encoded = ImageResult<QByteArray>;

Encoded EncodeJpeg(const QImage& image, const DestinationProperties& properties);
Encoded EncodePng(const QImage& image, const DestinationProperties& properties);
Encoded EncodeTiff(const QImage& image, const DestinationProperties& properties);
Encoded EncodeGif(const QImage& image, const DestinationProperties& properties);
Encoded EncodeJpeg2000(const QImage& image, const DestinationProperties& properties);
Encoded EncodeTga(const QImage& image, const DestinationProperties& properties);
Encoded EncodePsd(const QImage& image, const DestinationProperties& properties);
Encoded EncodePdf(const QImage& image, const DestinationProperties& properties);
Encoded EncodeExr(const QImage& image, const DestinationProperties& properties);
// BMP, ICO, ICNS and XBM through Qt's writers.
Encoded EncodeWithQt(const QImage& image, const char* format,
                     const DestinationProperties& properties);

// Whether any pixel is not fully opaque.
bool ImageUsesAlpha(const QImage& image);
// The ICC profile to embed: the properties' RGB or grey space, else the image's own tagged one.
QByteArray ProfileToEmbed(const QImage& image, const DestinationProperties& properties);
// The properties' colour space when it is CMYK.
std::shared_ptr<const ColorSpace> CmykSpaceOf(const DestinationProperties& properties);
// The CMYK bytes to write: the properties' own inks when they fit the image, else the image
// separated in space; empty on failure.
QByteArray CmykSamplesOf(const QImage& image, const DestinationProperties& properties,
                         const ColorSpace& space);
// Resolution to write: the properties' values, 72 when unset.
double OutputDpiX(const DestinationProperties& properties);
double OutputDpiY(const DestinationProperties& properties);

}  // namespace glimbrik::codec
