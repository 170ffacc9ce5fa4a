#pragma once

// Readers of camera raw files (LibRaw), HEIC/HEIF photos (libheif) and OpenEXR pictures behind
// ImageSource and ReadImageHeader. Raw and HEIF pictures come out upright from their own decoders,
// so their representations state no orientation. Private to the platform.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "platform/codecs/codec_decoders.h"
#include "platform/metadata/image_header.h"

namespace glimbrik::codec {

// Whether the bytes are a camera raw file: a DNG (a TIFF stating a DNG version) or a raw maker's
// own signature whatever the name, or a TIFF or unrecognised file named as a raw file (NEF, CR2,
// ARW ... are TIFF files whose first image is only a small preview).
bool IsCameraRawFile(const QByteArray& head, const QString& path);
// As developed: as-shot white balance, sRGB, 16 bits per channel, turned by the raw's own
// orientation. A target no more than half the sensor's size in both sides decodes at half size.
QString ProbeCameraRaw(const QByteArray& data, Representations* out);
QString ProbeCameraRawFile(const QString& path, Representations* out);
ImageResult<QImage> DecodeCameraRaw(const QByteArray& data, const ImageRepresentation& rep,
                                    const DecodeOptions& options);

// An ISO base media file whose brand says HEIF (HEIC and other HEIF images).
bool IsHeifFile(const QByteArray& head);
// The primary image with its transformations (rotation, mirror, crop) applied, alpha, 16 bits for
// deeper than 8, the embedded ICC profile or the colour its nclx box states.
QString ProbeHeif(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeHeif(const QByteArray& data, const ImageRepresentation& rep);
// The EXIF block (TIFF header onwards) and XMP packet of the primary image.
MetadataBlocks ReadHeifMetadata(const QByteArray& data);

bool IsExrFile(const QByteArray& head);
// Half or float RGB(A) in linear light, handed out as 16-bit sRGB-encoded values in a colour
// space of the file's primaries, so that the canvas converts it like any tagged picture.
QString ProbeExr(const QByteArray& data, Representations* out);
ImageResult<QImage> DecodeExr(const QByteArray& data, const ImageRepresentation& rep);

// The format of bytes that one of these readers takes, or Unknown.
ImageFormat RawHeifExrFormat(const QByteArray& head, const QString& path);
// The header facts of such a file for ReadImageHeader. A raw file is read from path (LibRaw reads
// only what it needs) unless bytes hold all of it.
QString ReadRawHeifExrHeader(const QString& path, const QByteArray& bytes, bool wholeFile,
                             ImageHeader* header);

}  // namespace glimbrik::codec
