#pragma once

// CMYK files for the tests of inks (TIFF by libtiff in any layout, Adobe-inverted JPEG), and their
// inks as ImageMagick, a decoder independent of ours, reads them back.

#include <gtest/gtest.h>

#include <QSize>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/codecs/jpeg_memory.h"
#include "platform/codecs/codec_tiff_io.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik::test {

// Interleaved samples, 0 = no ink: C, M, Y, K and, with five channels, unassociated alpha.
struct Inks {
  QSize size;
  QByteArray samples;
  int channels = 4;
  uchar at(int x, int y, int c) const {
    return uchar(samples[(qsizetype(y) * size.width() + x) * channels + c]);
  }
};

// Inks that an RGB round trip cannot keep: every ink varies on its own and the colours carry
// black under them, which any separation moves between C, M, Y and K.
inline Inks PatternInks(int w, int h) {
  Inks inks{QSize(w, h), {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      inks.samples += char(40 + x * 180 / std::max(1, w - 1));
      inks.samples += char(30 + y * 200 / std::max(1, h - 1));
      inks.samples += char(20 + (x + y) * 200 / std::max(1, w + h - 2));
      inks.samples += char(((x / 8 + y / 8) % 4) * 50 + 10);
    }
  }
  return inks;
}

// Four flat quadrants, left to right and top to bottom, so that a wrong turn or mirror shows.
inline constexpr std::array<std::array<uchar, 4>, 4> kQuadrantInks = {
    {{50, 76, 101, 25}, {200, 20, 120, 60}, {10, 180, 40, 140}, {90, 90, 90, 90}}};

inline Inks QuadrantInks(int w, int h) {
  Inks inks{QSize(w, h), {}};
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const auto& ink = kQuadrantInks[size_t((y >= h / 2 ? 2 : 0) + (x >= w / 2 ? 1 : 0))];
      inks.samples.append(reinterpret_cast<const char*>(ink.data()), 4);
    }
  }
  return inks;
}

struct CmykTiffLayout {
  bool planar = false;  // one plane per sample
  bool tiled = false;   // 16 x 16 tiles; else strips of 7 rows
  int bits = 8;         // 8 or 16: each 8-bit sample x 257, its low byte moved off the high one
  int orientation = 1;
  QByteArray iccProfile;
};

// Tiles and strips that run past the image are cut the way libtiff's own writers cut them.
inline QByteArray CmykTiff(const Inks& inks, const CmykTiffLayout& layout = {}) {
  const int width = inks.size.width(), height = inks.size.height(), channels = inks.channels;
  QByteArray out;
  codec::TiffMemory memory{&out, nullptr, 0, QString()};
  codec::TiffPtr handle = codec::OpenTiffForWriting(&memory);
  TIFF* t = handle.get();
  if (!t) return {};
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(layout.bits));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(channels));
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
  TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(layout.orientation));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG,
               layout.planar ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  if (channels == 5) {
    const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (!layout.iccProfile.isEmpty()) {
    TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(layout.iccProfile.size()),
                 layout.iccProfile.constData());
  }
  const int tileWidth = layout.tiled ? 16 : width, tileHeight = layout.tiled ? 16 : 7;
  if (layout.tiled) {
    TIFFSetField(t, TIFFTAG_TILEWIDTH, uint32_t(tileWidth));
    TIFFSetField(t, TIFFTAG_TILELENGTH, uint32_t(tileHeight));
  } else {
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(tileHeight));
  }
  const int step = layout.planar ? 1 : channels, bytes = layout.bits / 8;
  for (int plane = 0; plane < (layout.planar ? channels : 1); ++plane) {
    for (int y0 = 0; y0 < height; y0 += tileHeight) {
      for (int x0 = 0; x0 < width; x0 += tileWidth) {
        std::vector<uint8_t> chunk(size_t(tileWidth) * tileHeight * step * bytes);
        for (int r = 0; r < tileHeight && y0 + r < height; ++r) {
          for (int c = 0; c < tileWidth && x0 + c < width; ++c) {
            for (int s = 0; s < step; ++s) {
              const uint8_t v = inks.at(x0 + c, y0 + r, layout.planar ? plane : s);
              const uint16_t wide = uint16_t(v * 257 + (v < 128 ? 100 : -100));
              uint8_t* at = chunk.data() + ((size_t(r) * tileWidth + c) * step + s) * bytes;
              bytes == 1 ? void(*at = v) : void(std::memcpy(at, &wide, 2));
            }
          }
        }
        const int rows = std::min(tileHeight, height - y0);
        const bool written =
            layout.tiled
                ? TIFFWriteEncodedTile(t, TIFFComputeTile(t, x0, y0, 0, uint16_t(plane)),
                                       chunk.data(), tmsize_t(chunk.size())) >= 0
                : TIFFWriteEncodedStrip(t, TIFFComputeStrip(t, y0, uint16_t(plane)), chunk.data(),
                                        tmsize_t(rows) * tileWidth * step * bytes) >= 0;
        if (!written) return {};
      }
    }
  }
  handle.reset();
  return out;
}

// Stored inverted behind an Adobe APP14 segment, as such files are.
inline QByteArray CmykJpeg(const Inks& inks, int quality = 95) {
  uint8_t* jpeg = nullptr;
  unsigned long size = 0;
  if (!EncodeJPEGToMemory(uint32_t(inks.size.width()), uint32_t(inks.size.height()),
                          reinterpret_cast<const uint8_t*>(inks.samples.constData()),
                          kJPEGColourSpaceCMYK, 4, &jpeg, &size, quality, 72, 72)) {
    return {};
  }
  QByteArray bytes(reinterpret_cast<const char*>(jpeg), qsizetype(size));
  std::free(jpeg);
  return bytes;
}

// The bytes in a new temporary folder, by name.
inline QString WriteTemp(const QString& name, const QByteArray& bytes) {
  const QString path = MakeTempFolder() + '/' + name;
  return !bytes.isEmpty() && WriteBytes(path, bytes) ? path : QString();
}

// The inks ImageMagick decodes from the file's first image, which must be CMYK; none else.
inline Inks MagickInks(const QString& path) {
  const QStringList facts =
      RunTool("identify", {"-format", "%[colorspace] %w %h", path + "[0]"}).split(' ');
  const QString raw = MakeTempFolder() + "/inks.cmyk";
  RunTool("convert", {path + "[0]", "-depth", "8", "cmyk:" + raw});
  Inks inks{QSize(facts.value(1).toInt(), facts.value(2).toInt()), ReadBytes(raw)};
  const bool whole = inks.samples.size() == qsizetype(inks.size.width()) * inks.size.height() * 4;
  if (facts.value(0) == "CMYK" && whole && !inks.samples.isEmpty()) return inks;
  ADD_FAILURE() << path.toStdString() << " holds no CMYK inks: " << facts.join(' ').toStdString();
  return {};
}

// Mean absolute difference per ink over every pixel; 255 when the sizes differ.
inline double MeanInkChange(const Inks& a, const Inks& b) {
  if (a.size != b.size || a.samples.size() != b.samples.size() || a.samples.isEmpty()) return 255;
  double sum = 0;
  for (qsizetype i = 0; i < a.samples.size(); ++i) {
    sum += std::abs(int(uchar(a.samples[i])) - int(uchar(b.samples[i])));
  }
  return sum / double(a.samples.size());
}

}  // namespace glimbrik::test
