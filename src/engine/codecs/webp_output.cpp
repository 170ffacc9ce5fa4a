// Writers of decoded WebP buffers. The engine uses only the TIFF layout, which later loads like
// any other source file; the other formats serve diagnostics.

#include <png.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/codecs/webp_internal.h"

namespace glimbrik {
namespace {

bool Put(FILE* out, const void* data, size_t size) {
  return size == 0 || std::fwrite(data, size, 1, out) == 1;
}

void StoreLE16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void StoreLE32(uint8_t* at, uint32_t value) {
  StoreLE16(at, value);
  StoreLE16(at + 2, value >> 16);
}

int SamplesOf(WEBP_CSP_MODE mode) {
  switch (mode) {
    case MODE_RGB:
    case MODE_BGR:
      return 3;
    case MODE_RGBA:
    case MODE_BGRA:
    case MODE_ARGB:
    case MODE_rgbA:
    case MODE_bgrA:
    case MODE_Argb:
      return 4;
    default:
      return 0;  // 16-bit packed and YUV modes
  }
}

// One byte-sample row of an RGB or RGBA decode.
const uint8_t* RowOf(const WebPDecBuffer& buffer, int y) {
  return buffer.u.RGBA.rgba + static_cast<size_t>(y) * static_cast<size_t>(buffer.u.RGBA.stride);
}

bool WriteRows(FILE* out, const WebPDecBuffer& buffer, int samples) {
  const size_t rowBytes = static_cast<size_t>(buffer.width) * samples;
  for (int y = 0; y < buffer.height; ++y) {
    if (!Put(out, RowOf(buffer, y), rowBytes)) return false;
  }
  return true;
}

bool WriteTIFF(FILE* out, const WebPDecBuffer& buffer) {
  const int samples = SamplesOf(buffer.colorspace);
  const bool alpha = samples == 4;
  constexpr uint32_t kHeaderSize = 210;
  uint8_t header[kHeaderSize] = {'I', 'I', 42, 0, 8, 0, 0, 0};
  StoreLE16(header + 8, alpha ? 15 : 14);
  struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value;
  };
  const uint32_t w = static_cast<uint32_t>(buffer.width);
  const uint32_t h = static_cast<uint32_t>(buffer.height);
  const Entry entries[] = {
      {256, 3, 1, w},
      {257, 3, 1, h},
      {258, 3, static_cast<uint32_t>(samples), 194},
      {259, 3, 1, 1},
      {262, 3, 1, 2},
      {273, 4, 1, kHeaderSize},
      {274, 3, 1, 1},
      {277, 3, 1, static_cast<uint32_t>(samples)},
      {278, 3, 1, h},
      {279, 4, 1, w * h * static_cast<uint32_t>(samples)},
      {282, 5, 1, 202},
      {283, 5, 1, 202},
      {284, 3, 1, 1},
      {296, 3, 1, 2},
      {338, 3, 1, 1},
  };
  const int count = alpha ? 15 : 14;
  for (int i = 0; i < count; ++i) {
    uint8_t* at = header + 10 + 12 * i;
    StoreLE16(at, entries[i].tag);
    StoreLE16(at + 2, entries[i].type);
    StoreLE32(at + 4, entries[i].count);
    StoreLE32(at + 8, entries[i].value);
  }
  for (int i = 0; i < 4; ++i) StoreLE16(header + 194 + 2 * i, 8);
  StoreLE32(header + 202, 72);
  StoreLE32(header + 206, 1);
  return Put(out, header, sizeof header) && WriteRows(out, buffer, samples);
}

bool WritePAM(FILE* out, const WebPDecBuffer& buffer) {
  if (SamplesOf(buffer.colorspace) != 4) return false;
  return std::fprintf(out,
                      "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                      buffer.width, buffer.height) > 0 &&
         WriteRows(out, buffer, 4);
}

bool WritePPM(FILE* out, const WebPDecBuffer& buffer) {
  const int samples = SamplesOf(buffer.colorspace);
  if (samples == 0 || std::fprintf(out, "P6\n%d %d\n255\n", buffer.width, buffer.height) <= 0) {
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(buffer.width) * 3);
  for (int y = 0; y < buffer.height; ++y) {
    const uint8_t* source = RowOf(buffer, y);
    for (int x = 0; x < buffer.width; ++x) std::memcpy(&row[3 * x], source + samples * x, 3);
    if (!Put(out, row.data(), row.size())) return false;
  }
  return true;
}

bool WriteBMP(FILE* out, const WebPDecBuffer& buffer) {
  const int samples = SamplesOf(buffer.colorspace);
  if (samples == 0) return false;
  const uint32_t rowBytes = (static_cast<uint32_t>(buffer.width) * samples + 3) & ~3u;
  const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(buffer.height);
  uint8_t header[54] = {'B', 'M'};
  StoreLE32(header + 2, 54 + imageBytes);
  StoreLE32(header + 10, 54);
  StoreLE32(header + 14, 40);
  StoreLE32(header + 18, static_cast<uint32_t>(buffer.width));
  StoreLE32(header + 22, static_cast<uint32_t>(buffer.height));
  StoreLE16(header + 26, 1);
  StoreLE16(header + 28, static_cast<uint32_t>(samples * 8));
  StoreLE32(header + 34, imageBytes);
  StoreLE32(header + 38, 2835);  // 72 dpi in pixels per metre
  StoreLE32(header + 42, 2835);
  if (!Put(out, header, sizeof header)) return false;
  std::vector<uint8_t> row(rowBytes, 0);
  for (int y = buffer.height - 1; y >= 0; --y) {  // bottom row first, BGR(A)
    const uint8_t* source = RowOf(buffer, y);
    for (int x = 0; x < buffer.width; ++x) {
      const uint8_t* p = source + samples * x;
      uint8_t* q = &row[static_cast<size_t>(samples) * x];
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      if (samples == 4) q[3] = p[3];
    }
    if (!Put(out, row.data(), row.size())) return false;
  }
  return true;
}

bool WriteAlphaPGM(FILE* out, const WebPDecBuffer& buffer) {
  const int samples = SamplesOf(buffer.colorspace);
  if (samples != 4 || std::fprintf(out, "P5\n%d %d\n255\n", buffer.width, buffer.height) <= 0) {
    return false;
  }
  const int alphaIndex = buffer.colorspace == MODE_ARGB || buffer.colorspace == MODE_Argb ? 0 : 3;
  std::vector<uint8_t> row(static_cast<size_t>(buffer.width));
  for (int y = 0; y < buffer.height; ++y) {
    const uint8_t* source = RowOf(buffer, y);
    for (int x = 0; x < buffer.width; ++x) row[x] = source[4 * x + alphaIndex];
    if (!Put(out, row.data(), row.size())) return false;
  }
  return true;
}

bool WritePlane(FILE* out, const uint8_t* plane, int stride, int width, int height) {
  for (int y = 0; y < height; ++y) {
    if (!Put(out, plane + static_cast<size_t>(y) * stride, static_cast<size_t>(width))) {
      return false;
    }
  }
  return true;
}

// Y, then U and V side by side below it (and alpha below them when present), as one PGM image;
// raw output writes the planes one after another.
bool WriteYUV(FILE* out, const WebPDecBuffer& buffer, bool pgm) {
  if (WebPIsRGBMode(buffer.colorspace)) return false;
  const WebPYUVABuffer& yuv = buffer.u.YUVA;
  const int uvWidth = (buffer.width + 1) / 2;
  const int uvHeight = (buffer.height + 1) / 2;
  const bool alpha = yuv.a != nullptr;
  if (pgm) {
    const int pgmWidth = 2 * uvWidth;
    const int pgmHeight = buffer.height + uvHeight + (alpha ? buffer.height : 0);
    if (std::fprintf(out, "P5\n%d %d\n255\n", pgmWidth, pgmHeight) <= 0) return false;
    std::vector<uint8_t> row(static_cast<size_t>(pgmWidth), 0);
    auto planeRows = [&](const uint8_t* plane, int stride, int height) {
      for (int y = 0; y < height; ++y) {
        std::memcpy(row.data(), plane + static_cast<size_t>(y) * stride, buffer.width);
        if (!Put(out, row.data(), row.size())) return false;
      }
      return true;
    };
    if (!planeRows(yuv.y, yuv.y_stride, buffer.height)) return false;
    for (int y = 0; y < uvHeight; ++y) {
      std::memcpy(row.data(), yuv.u + static_cast<size_t>(y) * yuv.u_stride, uvWidth);
      std::memcpy(row.data() + uvWidth, yuv.v + static_cast<size_t>(y) * yuv.v_stride, uvWidth);
      if (!Put(out, row.data(), row.size())) return false;
    }
    return !alpha || planeRows(yuv.a, yuv.a_stride, buffer.height);
  }
  return WritePlane(out, yuv.y, yuv.y_stride, buffer.width, buffer.height) &&
         WritePlane(out, yuv.u, yuv.u_stride, uvWidth, uvHeight) &&
         WritePlane(out, yuv.v, yuv.v_stride, uvWidth, uvHeight) &&
         (!alpha || WritePlane(out, yuv.a, yuv.a_stride, buffer.width, buffer.height));
}

struct PngRows {
  const WebPDecBuffer* buffer;
  int hasAlpha;
};

// Only plain C calls here: a libpng error jumps back into this frame.
int WritePNGRows(png_structp png, png_infop info, FILE* out, const PngRows* rows) {
  if (setjmp(png_jmpbuf(png))) return 0;
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(rows->buffer->width),
               static_cast<png_uint_32>(rows->buffer->height), 8,
               rows->hasAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < rows->buffer->height; ++y) {
    png_write_row(png, RowOf(*rows->buffer, y));
  }
  png_write_end(png, info);
  return 1;
}

bool WritePNG(FILE* out, const WebPDecBuffer& buffer) {
  if (buffer.colorspace != MODE_RGB && buffer.colorspace != MODE_RGBA) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  const PngRows rows{&buffer, buffer.colorspace == MODE_RGBA};
  const int ok = info ? WritePNGRows(png, info, out, &rows) : 0;
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return ok == 1;
}

}  // namespace

int SaveDecodedImage(const WebPDecBuffer& buffer, int format, const char* path) {
  if (!path || buffer.width <= 0 || buffer.height <= 0) return 0;
  const bool toStdout = std::strcmp(path, "-") == 0;
  FilePtr out(toStdout ? stdout : std::fopen(path, "wb"));
  if (!out) {
    std::fprintf(stderr, "Error! Cannot open output file '%s'\n", path);
    return 0;
  }
  bool ok = false;
  switch (format) {
    case kDecodedPNG:
      ok = WritePNG(out.get(), buffer);
      break;
    case kDecodedPAM:
      ok = WritePAM(out.get(), buffer);
      break;
    case kDecodedPPM:
      ok = WritePPM(out.get(), buffer);
      break;
    case kDecodedPGMYUV:
      ok = WriteYUV(out.get(), buffer, true);
      break;
    case kDecodedBMP:
      ok = WriteBMP(out.get(), buffer);
      break;
    case kDecodedTIFF:
      ok = SamplesOf(buffer.colorspace) != 0 && WriteTIFF(out.get(), buffer);
      break;
    case kDecodedRawYUV:
      ok = WriteYUV(out.get(), buffer, false);
      break;
    case kDecodedAlphaPGM:
      ok = WriteAlphaPGM(out.get(), buffer);
      break;
    default:
      break;
  }
  ok = ok && std::fflush(out.get()) == 0;
  if (toStdout) return ok ? 1 : 0;
  FILE* raw = out.release();
  return std::fclose(raw) == 0 && ok ? 1 : 0;
}

}  // namespace glimbrik
