#pragma once

// Readers for old formats that carry little or no signature: MacPaint pictures, raw Group 3 fax
// files and QuickTime image files. Private to the platform, beside codec_decoders.h.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

// MacPaint and fax pictures are one bit deep with 1 as black: their representation, and their
// packed rows (most significant bit first) as the decoded grey image.
ImageRepresentation BilevelRepresentation(int width, int height, double dpiX, double dpiY);
ImageResult<QImage> DecodeBilevelRows(const uchar* rows, qsizetype rowBytes,
                                      const ImageRepresentation& rep);

// MacPaint: a 576 x 720 one-bit picture (1 = black) of PackBits rows, after a 512-byte header
// and, for files that crossed from a Mac, a 128-byte MacBinary header.
inline constexpr int kMacPaintWidth = 576;
inline constexpr int kMacPaintHeight = 720;
// Whether the bytes open with a MacBinary header whose file type is a MacPaint picture's.
bool HasMacPaintMacBinaryHeader(const QByteArray& head);
QString ProbeMacPaint(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeMacPaint(const QByteArray& data, const ImageRepresentation& rep);

// Raw one-dimensional Group 3 fax data (as written by common fax tools): no header, the width is
// that of the first coded line and the height the number of lines. Standard fax resolution.
QString ProbeFax(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeFax(const QByteArray& data, const ImageRepresentation& rep);

// QuickTime image: an image description atom ("idsc") and the image data atom ("idat"), whose
// JPEG, PNG, TIFF or uncompressed pixels are read by the readers of those formats.
bool LooksLikeQuickTimeImage(const QByteArray& head);
QString ProbeQuickTimeImage(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeQuickTimeImage(const QByteArray& data, const ImageRepresentation& rep);

// The format of a file that the content sniff left Unknown (or took for a signature-less TGA):
// MacPaint and fax files are known by their extension, a MacBinary MacPaint file and a QuickTime
// image by their first bytes. Anything else keeps the sniffed format.
SourceFormat LegacyFormatOf(const QString& path, const QByteArray& head, SourceFormat sniffed);
QString ProbeLegacy(SourceFormat format, const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeLegacy(SourceFormat format, const QByteArray& data,
                                 const ImageRepresentation& rep);
bool IsLegacyFormat(SourceFormat format);

}  // namespace glimbrik::codec
