#pragma once

// CMYK TIFFs written with libtiff in each layout a file may use, for the readers of their inks.

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/codecs/codec_tiff_io.h"

namespace glimbrik::test {

struct CmykTiffLayout {
  bool planar = false;  // one plane per sample
  bool tiled = false;   // 16 x 16 tiles; else strips of 7 rows
  int bits = 8;         // 8 or 16: each 8-bit sample x 257, its low byte moved off the high one
  int orientation = 1;
  QByteArray iccProfile;
};

// samples: width x height pixels of `channels` bytes (C, M, Y, K and, with 5, unassociated
// alpha). Tiles and strips that run past the image are cut the way libtiff's own writers cut them.
inline QByteArray CmykTiff(int width, int height, int channels, const std::vector<uint8_t>& samples,
                           const CmykTiffLayout& layout) {
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
              const uint8_t v = samples[(size_t(y0 + r) * width + x0 + c) * channels +
                                        size_t(layout.planar ? plane : s)];
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

}  // namespace glimbrik::test
