#include "engine/codec_fixtures.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <cmath>
#include <vector>

#include "engine/codecs/jpeg_memory.h"
#include "support/metadata_fixture.h"

namespace glimbrik::test {

bool WritePng(const QString& path, const QImage& image, const PngOptions& options) {
  QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  if (options.dpi) {
    const int perMetre = static_cast<int>(std::lround(*options.dpi / 0.0254));
    rgba.setDotsPerMeterX(perMetre);
    rgba.setDotsPerMeterY(perMetre);
  }
  QBuffer buffer;
  if (!buffer.open(QIODevice::WriteOnly) || !rgba.save(&buffer, "PNG")) return false;
  QByteArray chunks;
  if (!options.iccProfile.isEmpty()) {
    chunks += PngChunk("iCCP", QByteArray("icc\0\0", 5) + Deflated(options.iccProfile));
  }
  if (!options.exif.isEmpty()) chunks += PngChunk("eXIf", options.exif);
  constexpr qsizetype kAfterHeader = 8 + 25;
  QByteArray png = buffer.data();
  // Qt always writes a resolution; without one asked for, the file has none.
  const qsizetype resolution = png.indexOf("pHYs");
  if (!options.dpi && resolution > 0) png.remove(resolution - 4, 4 + 4 + 9 + 4);
  return WriteBytes(path, png.left(kAfterHeader) + chunks + png.mid(kAfterHeader));
}

QByteArray SrgbProfile() { return QColorSpace(QColorSpace::SRgb).iccProfile(); }

QByteArray MakeExif(int orientation) {
  return BuildTiffMetadata({ShortEntry(274, static_cast<uint16_t>(orientation))}, {});
}

QByteArray MakeJpeg(int width, int height, int components, double dpi) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * components, 0);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(60 + 40 * (i % 3));
  const int space = components == 1 ? kJPEGColourSpaceGray : kJPEGColourSpaceRGB;
  return EncodeJpeg(width, height, space, components, pixels.data(), dpi);
}

QByteArray EncodeJpeg(int width, int height, int colourSpace, int components,
                      const uint8_t* samples, double dpi, int quality) {
  uint8_t* buffer = nullptr;
  unsigned long size = 0;
  if (!EncodeJPEGToMemory(width, height, samples, colourSpace, components, &buffer, &size, quality,
                          dpi, dpi)) {
    return {};
  }
  QByteArray jpeg(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
  std::free(buffer);
  return jpeg;
}

QByteArray InsertSegment(const QByteArray& jpeg, uint8_t marker, const QByteArray& payload) {
  // SOI (2 bytes), then the JFIF segment: FF E0 and its length.
  const qsizetype jfifLength = (static_cast<uint8_t>(jpeg[4]) << 8) | static_cast<uint8_t>(jpeg[5]);
  return QByteArray(jpeg).insert(2 + 2 + jfifLength, JpegSegment(marker, payload));
}

uint32_t LittleEndian32(const QByteArray& bytes, qsizetype offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[offset + i]);
  return value;
}

std::vector<RiffChunk> RiffChunks(const QByteArray& webp) {
  std::vector<RiffChunk> chunks;
  qsizetype pos = 12;
  while (pos + 8 <= webp.size()) {
    RiffChunk chunk{webp.mid(pos, 4), pos, LittleEndian32(webp, pos + 4)};
    chunks.push_back(chunk);
    pos += 8 + chunk.size + (chunk.size & 1);
  }
  return chunks;
}

}  // namespace glimbrik::test
