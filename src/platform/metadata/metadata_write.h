#pragma once

// EXIF, GPS, IPTC and XMP through exiv2. Every exiv2 exception stops here and becomes a failure.

#include <QByteArray>
#include <QSize>

#include "platform/codecs/image_source.h"

namespace glimbrik {

// The metadata of an encoded file; empty parts when it has none or cannot be parsed.
MetadataBlocks ReadImageMetadata(const QByteArray& fileData);
// The same read from the file through exiv2's own reader, which holds only what it parses.
MetadataBlocks ReadImageMetadataFromFile(const QString& path);
// An EXIF block (TIFF header onwards) taken from a container that exiv2 does not read, made as
// the readers above make theirs: a maker note that would not survive rewriting is dropped.
QByteArray CarriedExifBlock(const QByteArray& block);

// What an output keeps of a source's metadata: EXIF (GPS included) and IPTC, never XMP; the EXIF
// thumbnail of the old pixels is dropped, the pixel-dimension tags give the new size, and the
// orientation (1 when 0), resolution (when given) and resolution unit (inches) are set. An empty
// source gives an EXIF block with only these tags.
MetadataBlocks MetadataForOutput(const MetadataBlocks& source, QSize pixelSize, int orientation,
                                 double dpiX, double dpiY);

// Writes the metadata into an encoded JPEG, PNG, TIFF, PSD, WebP or JPEG 2000 file in memory.
// Image-structure tags of the file itself are left alone. An EXIF IFD gets the tags readers
// require of it in that type of file (its colour space sRGB when srgb, else uncalibrated) and
// loses those the type forbids; a PNG file holds it in an eXIf chunk.
ImageResult<QByteArray> EmbedImageMetadata(const QByteArray& fileData,
                                           const MetadataBlocks& metadata, bool srgb = true);

}  // namespace glimbrik
