#include "platform/metadata/image_header.h"

#include <QFile>
#include <cmath>
#include <cstring>

#include "platform/codecs/image_source.h"
#include "platform/codecs/jp2_resolution.h"
#include "platform/codecs/other_formats/codec_legacy_decoders.h"
#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"
#include "platform/metadata/image_header_parsers.h"

namespace glimbrik {

namespace header_detail {

bool Bytes::matches(size_t offset, const char* text, size_t count) const {
  return has(offset, count) && std::memcmp(at(offset), text, count) == 0;
}

Bytes Bytes::slice(size_t offset, size_t count) const {
  if (offset > size()) return Bytes(QByteArrayView());
  count = std::min(count, size() - offset);
  return Bytes(
      QByteArrayView(reinterpret_cast<const char*>(at(offset)), static_cast<qsizetype>(count)));
}

ExifFacts ReadExifFacts(Bytes exif) {
  ExifFacts facts;
  const bool little = exif.matches(0, "II*\0", 4);
  if (!little && !exif.matches(0, "MM\0*", 4)) return facts;
  auto u16 = [&](size_t o) { return little ? exif.le16(o) : exif.be16(o); };
  auto u32 = [&](size_t o) { return little ? exif.le32(o) : exif.be32(o); };
  auto rational = [&](uint32_t offset) {
    const uint32_t denominator = u32(offset + 4);
    return denominator ? static_cast<double>(u32(offset)) / denominator : 0.0;
  };
  const size_t ifd = u32(4);
  const uint16_t count = u16(ifd);
  for (uint16_t i = 0; i < count; ++i) {
    const size_t entry = ifd + 2 + size_t{12} * i;
    if (!exif.has(entry, 12)) break;
    const uint16_t tag = u16(entry);
    const uint16_t type = u16(entry + 2);
    if (tag == 274 && type == 3) {
      const int value = u16(entry + 8);
      facts.orientation = value >= 1 && value <= 8 ? value : 0;
    } else if ((tag == 282 || tag == 283) && type == 5) {
      (tag == 282 ? facts.xResolution : facts.yResolution) = rational(u32(entry + 8));
    } else if (tag == 296 && type == 3) {
      facts.resolutionUnit = u16(entry + 8);
    }
  }
  return facts;
}

void ApplyExif(const ExifFacts& facts, ImageHeader* header, bool resolutionKnown) {
  if (facts.orientation) header->orientation = facts.orientation;
  if (resolutionKnown || facts.resolutionUnit < 2 || facts.resolutionUnit > 3) return;
  const double scale = facts.resolutionUnit == 3 ? 2.54 : 1.0;
  if (facts.xResolution > 0) {
    header->dpiX = SanitisedDpi(facts.xResolution * scale);
    header->dpiXStated = true;
  }
  if (facts.yResolution > 0) {
    header->dpiY = SanitisedDpi(facts.yResolution * scale);
    header->dpiYStated = true;
  }
}

// ---- JPEG --------------------------------------------------------------------------------

namespace {

bool IsStartOfFrame(uint8_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

QString ReadJpegHeader(Bytes bytes, ImageHeader* header) {
  header->format = ImageFormat::JPEG;
  header->formatName = QStringLiteral("jpeg");
  bool jfifDensity = false;
  bool adobe = false;
  ExifFacts exif;
  size_t pos = 2;
  while (bytes.has(pos, 4)) {
    if (bytes.u8(pos) != 0xFF) {  // stray bytes between segments: libjpeg skips them too
      ++pos;
      continue;
    }
    const uint8_t marker = bytes.u8(pos + 1);
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0x00 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      pos += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) break;
    const size_t length = bytes.be16(pos + 2);
    if (length < 2) return QStringLiteral("bad JPEG segment length");
    const Bytes segment = bytes.slice(pos + 4, length - 2);
    if (marker == 0xE0 && segment.matches(0, "JFIF\0", 5) && segment.has(7, 5)) {
      const int unit = segment.u8(7);
      const double x = segment.be16(8);
      const double y = segment.be16(10);
      if ((unit == 1 || unit == 2) && x > 0 && y > 0) {
        const double scale = unit == 2 ? 2.54 : 1.0;
        header->dpiX = SanitisedDpi(x * scale);
        header->dpiY = SanitisedDpi(y * scale);
        header->dpiXStated = header->dpiYStated = true;
        jfifDensity = true;
      }
    } else if (marker == 0xE1 && segment.matches(0, "Exif\0\0", 6)) {
      exif = ReadExifFacts(segment.slice(6, segment.size()));
    } else if (marker == 0xEE && segment.matches(0, "Adobe", 5)) {
      adobe = true;
    } else if (IsStartOfFrame(marker) && header->width == 0) {  // libjpeg takes the first
      if (length < 8 || !bytes.has(pos + 4, length - 2)) {
        return QStringLiteral("JPEG frame header cut short");
      }
      header->bitsPerComponent = segment.u8(0);
      header->height = segment.be16(1);
      header->width = segment.be16(3);
      const int components = segment.u8(5);
      header->colourModel = components == 1   ? ColourModel::Gray
                            : components == 3 ? ColourModel::RGB
                            : components == 4 ? ColourModel::CMYK
                                              : ColourModel::Unknown;
    }
    pos += 2 + length;
  }
  (void)adobe;
  if (header->width <= 0 || header->height <= 0) return QStringLiteral("no JPEG frame header");
  ApplyExif(exif, header, jfifDensity);
  return {};
}

// ---- PNG ---------------------------------------------------------------------------------

QString ReadPngHeader(Bytes bytes, ImageHeader* header) {
  header->format = ImageFormat::PNG;
  header->formatName = QStringLiteral("png");
  if (!bytes.matches(12, "IHDR", 4) || !bytes.has(16, 13)) return QStringLiteral("no PNG IHDR");
  const uint32_t width = bytes.be32(16);
  const uint32_t height = bytes.be32(20);
  if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    return QStringLiteral("bad PNG size");
  }
  header->width = static_cast<int>(width);
  header->height = static_cast<int>(height);
  header->bitsPerComponent = bytes.u8(24);
  const int colourType = bytes.u8(25);
  switch (colourType) {
    case 0:
    case 4:
      header->colourModel = ColourModel::Gray;
      break;
    case 3:
      header->colourModel = ColourModel::Indexed;
      break;
    default:
      header->colourModel = ColourModel::RGB;
      break;
  }
  header->hasAlpha = colourType == 4 || colourType == 6;
  bool densityKnown = false;
  size_t pos = 8;
  while (bytes.has(pos, 8)) {
    const size_t length = bytes.be32(pos);
    const size_t data = pos + 8;
    if (length > bytes.size()) break;  // cut short or corrupt: keep what was read
    if (bytes.matches(pos + 4, "pHYs", 4) && length >= 9 && bytes.u8(data + 8) == 1) {
      // Pixels per metre.
      const double x = bytes.be32(data) * 0.0254;
      const double y = bytes.be32(data + 4) * 0.0254;
      if (x > 0 && y > 0) {
        header->dpiX = SanitisedDpi(x);
        header->dpiY = SanitisedDpi(y);
        header->dpiXStated = header->dpiYStated = true;
        densityKnown = true;
      }
    } else if (bytes.matches(pos + 4, "tRNS", 4)) {
      header->hasAlpha = true;
    } else if (bytes.matches(pos + 4, "acTL", 4) && length >= 8) {
      header->frameCount =
          static_cast<int>(std::max<uint32_t>(1, std::min<uint32_t>(bytes.be32(data), 1 << 20)));
    } else if (bytes.matches(pos + 4, "eXIf", 4)) {
      ApplyExif(ReadExifFacts(bytes.slice(data, length)), header, densityKnown);
    } else if (bytes.matches(pos + 4, "IEND", 4)) {
      break;
    }
    pos = data + length + 4;
  }
  return {};
}

// ---- GIF ---------------------------------------------------------------------------------

QString ReadGifHeader(Bytes bytes, ImageHeader* header) {
  header->format = ImageFormat::GIF;
  header->formatName = QStringLiteral("gif");
  header->colourModel = ColourModel::Indexed;
  header->bitsPerComponent = 8;
  header->width = bytes.le16(6);
  header->height = bytes.le16(8);
  if (header->width == 0 || header->height == 0) return QStringLiteral("bad GIF size");
  size_t pos = 13;
  const uint8_t flags = bytes.u8(10);
  if (flags & 0x80) pos += size_t{3} << ((flags & 7) + 1);
  auto skipSubBlocks = [&](size_t p) {
    while (bytes.has(p, 1) && bytes.u8(p) != 0) p += 1 + bytes.u8(p);
    return p + 1;
  };
  int frames = 0;
  while (bytes.has(pos, 1)) {
    const uint8_t kind = bytes.u8(pos);
    if (kind == 0x3B) break;
    if (kind == 0x21) {
      if (bytes.u8(pos + 1) == 0xF9 && (bytes.u8(pos + 3) & 1)) header->hasAlpha = true;
      pos = skipSubBlocks(pos + 2);
    } else if (kind == 0x2C) {
      ++frames;
      const uint8_t imageFlags = bytes.u8(pos + 9);
      pos += 10;
      if (imageFlags & 0x80) pos += size_t{3} << ((imageFlags & 7) + 1);
      pos = skipSubBlocks(pos + 1);  // after the LZW code size
    } else {
      break;
    }
  }
  header->frameCount = std::max(1, frames);
  return {};
}

// ---- BMP ---------------------------------------------------------------------------------

QString ReadBmpHeader(Bytes bytes, ImageHeader* header) {
  header->format = ImageFormat::BMP;
  header->formatName = QStringLiteral("bmp");
  const uint32_t infoSize = bytes.le32(14);
  if (infoSize == 12) {  // OS/2 core header
    header->width = bytes.le16(18);
    header->height = bytes.le16(20);
    header->bitsPerComponent = 8;
    header->colourModel = bytes.le16(24) <= 8 ? ColourModel::Indexed : ColourModel::RGB;
  } else if (infoSize >= 40 && bytes.has(14, 40)) {
    const int32_t width = static_cast<int32_t>(bytes.le32(18));
    const int32_t height = static_cast<int32_t>(bytes.le32(22));
    if (width <= 0 || height == 0 || height == INT32_MIN) return QStringLiteral("bad BMP size");
    header->width = width;
    header->height = height < 0 ? -height : height;
    const int bitCount = bytes.le16(28);
    header->colourModel = bitCount <= 8 ? ColourModel::Indexed : ColourModel::RGB;
    header->bitsPerComponent = bitCount == 16 ? 5 : 8;
    header->hasAlpha = bitCount == 32 && infoSize >= 56 && bytes.le32(14 + 52) != 0;
    const double x = bytes.le32(38) * 0.0254;
    const double y = bytes.le32(42) * 0.0254;
    if (x > 0 && y > 0) {
      header->dpiX = SanitisedDpi(x);
      header->dpiY = SanitisedDpi(y);
      header->dpiXStated = header->dpiYStated = true;
    }
  } else {
    return QStringLiteral("unknown BMP header");
  }
  if (header->width <= 0 || header->height <= 0) return QStringLiteral("bad BMP size");
  return {};
}

// ---- JPEG 2000 ---------------------------------------------------------------------------

namespace {

QString ReadCodestreamSize(Bytes bytes, ImageHeader* header) {
  // SOC, then SIZ: length, capabilities, Xsiz, Ysiz, XOsiz, YOsiz, tile sizes, Csiz, Ssiz...
  if (bytes.be16(0) != 0xFF4F || bytes.be16(2) != 0xFF51 || !bytes.has(4, 38)) {
    return QStringLiteral("no JPEG 2000 size marker");
  }
  const uint32_t x = bytes.be32(8) - std::min(bytes.be32(8), bytes.be32(16));
  const uint32_t y = bytes.be32(12) - std::min(bytes.be32(12), bytes.be32(20));
  if (x == 0 || y == 0 || x > 0x7FFFFFFF || y > 0x7FFFFFFF) return QStringLiteral("bad size");
  header->width = static_cast<int>(x);
  header->height = static_cast<int>(y);
  const int components = bytes.be16(40);
  header->bitsPerComponent = (bytes.u8(42) & 0x7F) + 1;
  header->colourModel = components <= 2 ? ColourModel::Gray : ColourModel::RGB;
  header->hasAlpha = components == 2 || components == 4;
  return {};
}

}  // namespace

QString ReadJpeg2000Header(Bytes bytes, ImageHeader* header) {
  header->format = ImageFormat::JPEG2000;
  header->formatName = QStringLiteral("jp2");
  if (bytes.be16(0) == 0xFF4F) return ReadCodestreamSize(bytes, header);
  const QByteArrayView view(reinterpret_cast<const char*>(bytes.at(0)), qsizetype(bytes.size()));
  if (const std::optional<Jp2Resolution> res = ReadJp2Resolution(view)) {
    header->dpiX = res->dpiX;
    header->dpiY = res->dpiY;
    header->dpiXStated = header->dpiYStated = true;
  }
  // Top-level boxes; the header box holds "ihdr" (and "colr").
  size_t pos = 0;
  while (bytes.has(pos, 8)) {
    uint64_t length = bytes.be32(pos);
    size_t content = pos + 8;
    if (length == 1) {
      length = uint64_t{bytes.be32(pos + 8)} << 32 | bytes.be32(pos + 12);
      content = pos + 16;
    } else if (length == 0) {
      length = bytes.size() - pos;
    }
    if (length < content - pos || length > bytes.size() - pos) break;
    if (bytes.matches(pos + 4, "jp2h", 4)) {
      size_t inner = content;
      const size_t end = pos + static_cast<size_t>(length);
      while (inner + 8 <= end) {
        const size_t boxLength = bytes.be32(inner);
        if (boxLength < 8 || boxLength > end - inner) break;
        if (bytes.matches(inner + 4, "ihdr", 4) && boxLength >= 22) {
          header->height = static_cast<int>(std::min<uint32_t>(bytes.be32(inner + 8), 0x7FFFFFFF));
          header->width = static_cast<int>(std::min<uint32_t>(bytes.be32(inner + 12), 0x7FFFFFFF));
          const int components = bytes.be16(inner + 16);
          header->bitsPerComponent = (bytes.u8(inner + 18) & 0x7F) + 1;
          header->colourModel = components <= 2 ? ColourModel::Gray : ColourModel::RGB;
          header->hasAlpha = components == 2 || components == 4;
        } else if (bytes.matches(inner + 4, "colr", 4) && bytes.u8(inner + 8) == 1) {
          const uint32_t space = bytes.be32(inner + 11);
          if (space == 12) header->colourModel = ColourModel::CMYK;
          if (space == 14) header->colourModel = ColourModel::Lab;
          if (space == 17) header->colourModel = ColourModel::Gray;
          if (space == 12 && header->hasAlpha) header->hasAlpha = false;
        }
        inner += boxLength;
      }
    } else if (bytes.matches(pos + 4, "jp2c", 4)) {
      // The codestream's own size is what decodes; the header box keeps its colour facts.
      const ImageHeader boxes = *header;
      const QString reason =
          ReadCodestreamSize(bytes.slice(content, static_cast<size_t>(length)), header);
      if (boxes.width > 0) {
        header->colourModel = boxes.colourModel;
        header->hasAlpha = boxes.hasAlpha;
        if (!reason.isEmpty()) *header = boxes;
        return {};
      }
      return reason;
    }
    pos += static_cast<size_t>(length);
  }
  if (header->width <= 0 || header->height <= 0) return QStringLiteral("no JPEG 2000 image header");
  return {};
}

}  // namespace header_detail

double SanitisedDpi(double dpi) { return std::isfinite(dpi) && dpi > 0 ? dpi : 72.0; }

namespace {

using namespace header_detail;

ImageHeaderResult Finish(const QString& path, QString reason, ImageHeader header) {
  ImageHeaderResult result;
  if (!reason.isEmpty()) {
    result.reason = QStringLiteral("%1: %2").arg(path, reason);
    return result;
  }
  if (header.width <= 0 || header.height <= 0) {
    result.reason = QStringLiteral("%1: no image size").arg(path);
    return result;
  }
  result.header = header;
  return result;
}

}  // namespace

ImageHeaderResult ReadImageHeader(const QString& path, const QByteArray& bytes) {
  const Bytes b{QByteArrayView(bytes)};
  ImageHeader header;
  QString reason;
  if (b.size() < 4) {
    reason = QStringLiteral("not an image file");
  } else if (codec::RawHeifExrFormat(bytes, path) != ImageFormat::Unknown) {
    reason = codec::ReadRawHeifExrHeader(path, bytes, true, &header);
  } else if (b.u8(0) == 0xFF && b.u8(1) == 0xD8 && b.u8(2) == 0xFF) {
    reason = ReadJpegHeader(b, &header);
  } else if (b.matches(0, "\x89PNG\r\n\x1a\n", 8)) {
    reason = ReadPngHeader(b, &header);
  } else if (b.matches(0, "II*\0", 4) || b.matches(0, "MM\0*", 4)) {
    reason = ReadTiffHeader(QByteArrayView(bytes), &header);
  } else if (b.matches(0, "RIFF", 4) && b.matches(8, "WEBP", 4)) {
    reason = ReadWebPHeader(QByteArrayView(bytes), &header);
  } else if (b.matches(0, "GIF87a", 6) || b.matches(0, "GIF89a", 6)) {
    reason = ReadGifHeader(b, &header);
  } else if (b.matches(0, "BM", 2) && b.size() >= 26) {
    reason = ReadBmpHeader(b, &header);
  } else if (b.be16(0) == 0xFF4F || b.matches(4, "jP  ", 4)) {
    reason = ReadJpeg2000Header(b, &header);
  } else if (const ImageFormat probed =
                 codec::LegacyFormatOf(path, bytes.left(128), SniffImageFormat(bytes.left(32)));
             IsProbedFormat(probed)) {
    reason = ReadProbedHeader(probed, bytes, &header);
    // A Targa is only guessed from its first bytes: when its reader says no, Qt may know better.
    if (!reason.isEmpty() && probed == ImageFormat::TGA) {
      header = ImageHeader();
      reason = ReadOtherHeader(path, bytes, &header);
    }
  } else {
    reason = ReadOtherHeader(path, bytes, &header);
  }
  return Finish(path, reason, header);
}

ImageHeaderResult ReadImageHeader(const QString& path) {
  // Headers sit at the start of most files, so a prefix usually does. GIF frames and a WebP's
  // EXIF chunk (after the image data) need the whole file; TIFF directories are found by libtiff.
  constexpr qint64 kPrefixSize = 1024 * 1024;
  constexpr qint64 kWholeFileLimit = 256 * 1024 * 1024;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return {std::nullopt, QStringLiteral("%1: cannot open (%2)").arg(path, file.errorString())};
  }
  const qint64 size = file.size();
  if (size <= 0) return {std::nullopt, QStringLiteral("%1: empty file").arg(path)};
  QByteArray bytes = file.read(std::min(size, kPrefixSize));
  if (bytes.size() < size && codec::RawHeifExrFormat(bytes, path) == ImageFormat::CameraRaw) {
    ImageHeader header;
    const QString reason = codec::ReadRawHeifExrHeader(path, bytes, false, &header);
    return Finish(path, reason, header);
  }
  if (bytes.size() == size) return ReadImageHeader(path, bytes);
  const Bytes head{QByteArrayView(bytes)};
  if (head.matches(0, "II*\0", 4) || head.matches(0, "MM\0*", 4)) {
    file.close();
    ImageHeader header;
    const QString reason = ReadTiffHeaderFromPath(path, &header);
    return Finish(path, reason, header);
  }
  // A fax file's height is the count of its coded lines.
  const bool wantsWhole =
      head.matches(0, "GIF8", 4) || head.matches(8, "WEBP", 4) ||
      codec::LegacyFormatOf(path, bytes.left(128), ImageFormat::Unknown) == ImageFormat::Fax;
  if (!wantsWhole) {
    ImageHeaderResult fromPrefix = ReadImageHeader(path, bytes);
    if (fromPrefix) return fromPrefix;
  }
  // Large leading segments (several APP blocks, big ICC profiles) push the header further on.
  if (size > kWholeFileLimit) return ReadImageHeader(path, bytes);
  bytes += file.readAll();
  return ReadImageHeader(path, bytes);
}

}  // namespace glimbrik
