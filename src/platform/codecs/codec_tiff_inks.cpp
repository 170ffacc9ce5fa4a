// ReadTiffInks: the libtiff client that reads a CMYK TIFF's samples as stored, beside the
// decoder that turns them into RGB.

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/codec_tiff_io.h"

namespace glimbrik {

namespace {

// 16-bit samples (in host order from libtiff) are rounded to the nearest byte.
uchar InkByte(const uchar* data, int bytes) {
  if (bytes == 1) return *data;
  uint16_t v;
  std::memcpy(&v, data, 2);
  return uchar((uint32_t(v) * 255 + 32767) / 65535);
}

}  // namespace

std::optional<CmykInks> ReadTiffInks(const QByteArray& tiff, int index) {
  codec::TiffMemory memory{nullptr, &tiff, 0, QString()};
  const codec::TiffPtr handle = codec::OpenTiffForReading(&memory);
  if (!handle || index < 0 || !TIFFSetDirectory(handle.get(), tdir_t(index))) return std::nullopt;
  TIFF* t = handle.get();
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  uint16_t inkset = INKSET_CMYK, format = SAMPLEFORMAT_UINT, extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inkset);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) || photometric != PHOTOMETRIC_SEPARATED ||
      inkset != INKSET_CMYK || samples < 4 || (bits != 8 && bits != 16) ||
      (planar != PLANARCONFIG_CONTIG && planar != PLANARCONFIG_SEPARATE) ||
      format != SAMPLEFORMAT_UINT || width == 0 || height == 0 || width > 65535 || height > 65535) {
    return std::nullopt;
  }
  // Only unassociated alpha can be taken as it is; associated alpha has scaled the inks.
  const bool alpha =
      samples >= 5 && extraCount > 0 && extraTypes && extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
  const int w = int(width), h = int(height), bytes = bits / 8;
  // Strips are read as tiles as wide as the image.
  const bool tiled = TIFFIsTiled(t);
  uint32_t tileWidth = width, tileHeight = height;
  if (tiled) {
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &tileHeight);
  } else {
    TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &tileHeight);
    tileHeight = std::min(tileHeight, height);
  }
  if (tileWidth == 0 || tileHeight == 0) return std::nullopt;
  const bool separate = planar == PLANARCONFIG_SEPARATE;
  // Samples per pixel within one plane, and the bytes of one row of a tile or strip.
  const int step = separate ? 1 : samples;
  const size_t rowBytes = size_t(tileWidth) * size_t(step) * size_t(bytes);
  const tmsize_t chunkSize = tiled ? TIFFTileSize(t) : TIFFStripSize(t);
  // A stated tile far beyond the image would only claim memory.
  const size_t planeBytes = size_t(w) * size_t(h) * size_t(step) * size_t(bytes);
  if (chunkSize <= 0 || size_t(chunkSize) < rowBytes ||
      size_t(chunkSize) > std::max(planeBytes, size_t(64) << 20)) {
    return std::nullopt;
  }
  std::vector<uchar> chunk(static_cast<size_t>(chunkSize));

  CmykInks inks;
  inks.size = QSize(w, h);
  inks.samples.resize(qsizetype(w) * h * 4);
  if (alpha) inks.alpha.resize(qsizetype(w) * h);
  auto* cmyk = reinterpret_cast<uchar*>(inks.samples.data());
  auto* opacity = reinterpret_cast<uchar*>(inks.alpha.data());
  const int wanted = alpha ? 5 : 4;
  // A separate plane holds one sample; contiguous data holds all of them in one pass.
  for (int plane = 0; plane < (separate ? wanted : 1); ++plane) {
    for (uint32_t y0 = 0; y0 < height; y0 += tileHeight) {
      for (uint32_t x0 = 0; x0 < width; x0 += tileWidth) {
        const uint32_t number = tiled ? TIFFComputeTile(t, x0, y0, 0, uint16_t(plane))
                                      : TIFFComputeStrip(t, y0, uint16_t(plane));
        const tmsize_t read = tiled ? TIFFReadEncodedTile(t, number, chunk.data(), chunkSize)
                                    : TIFFReadEncodedStrip(t, number, chunk.data(), chunkSize);
        const uint32_t rows = std::min(tileHeight, height - y0);
        const uint32_t columns = std::min(tileWidth, width - x0);
        if (read < 0 || size_t(read) < (rows - 1) * rowBytes + size_t(columns) * step * bytes) {
          return std::nullopt;
        }
        for (uint32_t r = 0; r < rows; ++r) {
          const uchar* in = chunk.data() + r * rowBytes;
          const qsizetype pixel = qsizetype(y0 + r) * w + x0;
          for (uint32_t c = 0; c < columns; ++c, in += step * bytes) {
            if (separate) {
              uchar& out = plane < 4 ? cmyk[(pixel + c) * 4 + plane] : opacity[pixel + c];
              out = InkByte(in, bytes);
              continue;
            }
            for (int s = 0; s < 4; ++s) cmyk[(pixel + c) * 4 + s] = InkByte(in + s * bytes, bytes);
            if (alpha) opacity[pixel + c] = InkByte(in + 4 * bytes, bytes);
          }
        }
      }
    }
  }
  return inks;
}

}  // namespace glimbrik
