#pragma once

// The per-format readers behind ImageSource. A probe reads headers only and appends one
// representation per image; a decode returns the pixels of one of them. Private to the platform.

#include <QByteArray>
#include <QImage>
#include <optional>
#include <vector>

#include "platform/image_source.h"

namespace glimbrik::codec {

using Representations = std::vector<ImageRepresentation>;

QString ProbeJpeg(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeJpeg(const QByteArray& data, const ImageRepresentation& rep,
                               const DecodeOptions& options);

QString ProbePng(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodePng(const QByteArray& data, const ImageRepresentation& rep);

QString ProbeTiff(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeTiff(const QByteArray& data, int index, const ImageRepresentation& rep);

QString ProbeGif(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeGif(const QByteArray& data, int index);

QString ProbeJpeg2000(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeJpeg2000(const QByteArray& data, const ImageRepresentation& rep);

// The flat composite of Photoshop files (raw or PackBits, 8 or 16 bits, grey, RGB or CMYK).
QString ProbePsd(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodePsd(const QByteArray& data, const ImageRepresentation& rep);

// SGI images, verbatim or run-length, 1 to 4 channels.
QString ProbeSgi(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeSgi(const QByteArray& data, const ImageRepresentation& rep);

// Targa images, with or without the version 2 footer: true colour, grey or colour-mapped, raw or
// run-length.
QString ProbeTga(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeTga(const QByteArray& data, const ImageRepresentation& rep);

// Minor formats through Qt's image plugins; the resolution comes from the header, not from Qt.
QString ProbeWithQt(const QByteArray& data, SourceFormat format, Representations* out);
ImageResult<QImage> DecodeWithQt(const QByteArray& data, int index, const ImageRepresentation& rep);

// Orientation and resolution of an EXIF block (TIFF layout, without the "Exif\0\0" prefix).
struct ExifBasics {
  int orientation = 0;
  double dpiX = 0.0;  // 0 when the block states none
  double dpiY = 0.0;
};
ExifBasics ParseExifBasics(const uchar* data, size_t size);

// Dots per inch from a stated value and unit (1 none, 2 inch, 3 centimetre); 72 for a missing or
// zero value or for "no unit".
double DotsPerInch(double value, int unit);

// The final pixel layout every decoder hands out: 8-bit premultiplied ARGB, 16-bit premultiplied
// RGBA or grey, with resolution and colour space tagged.
QImage FinishDecodedImage(QImage image, const ImageRepresentation& rep);

}  // namespace glimbrik::codec
