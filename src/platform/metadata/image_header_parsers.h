#pragma once

// Per-format header readers behind ReadImageHeader; each takes the file's bytes and fills the
// header, or returns a short reason why it could not.

#include <QByteArrayView>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "platform/metadata/image_header.h"

namespace glimbrik::header_detail {

// Bounds-checked reads from the file's bytes; out-of-range reads give 0.
class Bytes {
 public:
  explicit Bytes(QByteArrayView data) : data_(data) {}
  size_t size() const { return static_cast<size_t>(data_.size()); }
  const uint8_t* at(size_t offset) const {
    return reinterpret_cast<const uint8_t*>(data_.data()) + offset;
  }
  bool has(size_t offset, size_t count) const {
    return offset <= size() && count <= size() - offset;
  }
  uint8_t u8(size_t offset) const { return has(offset, 1) ? *at(offset) : 0; }
  uint16_t be16(size_t o) const { return static_cast<uint16_t>(u8(o) << 8 | u8(o + 1)); }
  uint16_t le16(size_t o) const { return static_cast<uint16_t>(u8(o) | u8(o + 1) << 8); }
  uint32_t be32(size_t o) const { return uint32_t{be16(o)} << 16 | be16(o + 2); }
  uint32_t le32(size_t o) const { return le16(o) | uint32_t{le16(o + 2)} << 16; }
  uint32_t le24(size_t o) const { return le16(o) | uint32_t{u8(o + 2)} << 16; }
  bool matches(size_t offset, const char* text, size_t count) const;
  Bytes slice(size_t offset, size_t count) const;

 private:
  QByteArrayView data_;
};

// The facts an EXIF block (a TIFF header and its first directory) states.
struct ExifFacts {
  int orientation = 0;
  double xResolution = 0;
  double yResolution = 0;
  int resolutionUnit = 2;  // 2 inch, 3 centimetre
};
// Reads orientation and resolution from an EXIF block starting at its TIFF header.
ExifFacts ReadExifFacts(Bytes exif);
// Applies an EXIF block's orientation, and its resolution when the header has none yet.
void ApplyExif(const ExifFacts& facts, ImageHeader* header, bool resolutionKnown);

QString ReadJpegHeader(Bytes bytes, ImageHeader* header);
QString ReadPngHeader(Bytes bytes, ImageHeader* header);
QString ReadGifHeader(Bytes bytes, ImageHeader* header);
QString ReadBmpHeader(Bytes bytes, ImageHeader* header);
QString ReadJpeg2000Header(Bytes bytes, ImageHeader* header);
QString ReadTiffHeader(QByteArrayView bytes, ImageHeader* header);
QString ReadTiffHeaderFromPath(const QString& path, ImageHeader* header);
QString ReadWebPHeader(QByteArrayView bytes, ImageHeader* header);
QString ReadOtherHeader(const QString& path, const QByteArray& bytes, ImageHeader* header);
// Formats whose header comes from the engine's own probe of the whole file, and that reading.
bool IsProbedFormat(ImageFormat format);
QString ReadProbedHeader(ImageFormat format, const QByteArray& bytes, ImageHeader* header);

}  // namespace glimbrik::header_detail
