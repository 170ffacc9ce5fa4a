// Input readers of the WebP encoder: the file's first bytes choose PNG, JPEG or TIFF.

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "engine/codecs/webp_internal.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {
namespace {

// ---- PNG ---------------------------------------------------------------------------------

void PngError(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "libpng error: %s\n", message);
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct PngReadJob {
  png_structp png;
  png_infop info;
  png_infop endInfo;
  int keepAlpha;
  png_uint_32 width;
  png_uint_32 height;
  int hasAlpha;
  size_t stride;
  png_bytep pixels;  // malloc'ed; freed by the caller
  png_bytepp rows;   // malloc'ed; freed by the caller
};

// Only plain C calls here: a libpng error jumps back into this frame.
int ReadPngPixels(PngReadJob* job, FILE* file) {
  if (setjmp(png_jmpbuf(job->png))) return 0;
  png_structp png = job->png;
  png_infop info = job->info;
  png_init_io(png, file);
  png_read_info(png, info);
  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  if (!IsImageSizeAllowed(job->width, job->height)) return 0;
  const int colourType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  png_set_strip_16(png);
  png_set_packing(png);
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (!job->keepAlpha) png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if (channels != 3 && channels != 4) return 0;
  job->hasAlpha = channels == 4;
  job->stride = png_get_rowbytes(png, info);
  job->pixels = static_cast<png_bytep>(std::malloc(job->stride * job->height));
  job->rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * job->height));
  if (!job->pixels || !job->rows) return 0;
  for (png_uint_32 y = 0; y < job->height; ++y) job->rows[y] = job->pixels + y * job->stride;
  png_read_image(png, job->rows);
  png_read_end(png, job->endInfo);
  return 1;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A raw profile: "\n", a name, "\n", a decimal byte count, "\n", then the bytes as hexadecimal
// digit pairs with line feeds allowed between pairs.
int ProcessRawProfile(const char* text, size_t length, webp::MetadataPayload* payload) {
  const char* p = text;
  const char* end = text + length;
  if (p == end || *p != '\n') {
    std::fprintf(stderr, "Malformed raw profile, expected '\\n' got '\\x%.2X'\n",
                 p == end ? 0 : static_cast<unsigned char>(*p));
    return 0;
  }
  ++p;
  while (p < end && *p != '\n') ++p;  // the profile's name
  if (p == end) return 0;
  ++p;
  while (p < end && *p == ' ') ++p;
  size_t expected = 0;
  const char* digits = p;
  while (p < end && *p >= '0' && *p <= '9' && expected <= length) {
    expected = expected * 10 + static_cast<size_t>(*p - '0');
    ++p;
  }
  if (p == digits || p == end || *p != '\n') {
    std::fprintf(stderr, "Malformed raw profile, expected '\\n' got '\\x%.2X'\n",
                 p == end ? 0 : static_cast<unsigned char>(*p));
    return 0;
  }
  ++p;
  if (expected == 0 || expected > static_cast<size_t>(end - p) / 2) return 0;
  std::unique_ptr<uint8_t, decltype(&std::free)> bytes(static_cast<uint8_t*>(std::malloc(expected)),
                                                       &std::free);
  if (!bytes) return 0;
  for (size_t i = 0; i < expected; ++i) {
    while (p < end && *p == '\n') ++p;
    if (end - p < 2) return 0;
    const int high = HexDigit(p[0]);
    const int low = HexDigit(p[1]);
    if (high < 0 || low < 0) return 0;
    bytes.get()[i] = static_cast<uint8_t>(high << 4 | low);
    p += 2;
  }
  std::free(payload->bytes);
  payload->bytes = bytes.release();
  payload->size = expected;
  return 1;
}

// EXIF travels in WebP from its TIFF header on; some writers keep the JPEG signature in front.
void DropExifSignature(webp::MetadataPayload* exif) {
  static const uint8_t kSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
  if (exif->size > 6 && std::memcmp(exif->bytes, kSignature, 6) == 0) {
    std::memmove(exif->bytes, exif->bytes + 6, exif->size - 6);
    exif->size -= 6;
  }
}

bool ExtractPngTexts(png_structp png, png_infop info, webp::ImageMetadata* metadata) {
  png_textp texts = nullptr;
  const int count = png_get_text(png, info, &texts, nullptr);
  for (int i = 0; i < count; ++i) {
    const png_text& text = texts[i];
    if (!text.key || !text.text) continue;
    const size_t length =
        text.compression >= PNG_ITXT_COMPRESSION_NONE ? text.itxt_length : text.text_length;
    webp::MetadataPayload* target = nullptr;
    bool raw = true;
    if (!std::strcmp(text.key, "Raw profile type exif") ||
        !std::strcmp(text.key, "Raw profile type APP1")) {
      target = &metadata->exif;
    } else if (!std::strcmp(text.key, "Raw profile type xmp")) {
      target = &metadata->xmp;
    } else if (!std::strcmp(text.key, "XML:com.adobe.xmp")) {
      target = &metadata->xmp;
      raw = false;
    }
    if (!target) continue;
    if (target->bytes) {
      std::fprintf(stderr, "Ignoring additional '%s'\n", text.key);
      continue;
    }
    const bool ok =
        raw ? ProcessRawProfile(text.text, length, target)
            : webp::ImageMetadataCopy(reinterpret_cast<const uint8_t*>(text.text), length, target);
    if (!ok) return false;
    if (target == &metadata->exif) DropExifSignature(target);
  }
  return true;
}

bool ExtractPngMetadata(png_structp png, png_infop info, png_infop endInfo,
                        webp::ImageMetadata* metadata) {
  if (!ExtractPngTexts(png, info, metadata) || !ExtractPngTexts(png, endInfo, metadata)) {
    return false;
  }
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 length = 0;
  if (png_get_iCCP(png, info, &name, &compression, &profile, &length) == PNG_INFO_iCCP &&
      !metadata->iccp.bytes && !webp::ImageMetadataCopy(profile, length, &metadata->iccp)) {
    return false;
  }
  png_bytep exif = nullptr;
  png_uint_32 exifLength = 0;
  if (!metadata->exif.bytes && png_get_eXIf_1(png, info, &exifLength, &exif) && exif) {
    if (!webp::ImageMetadataCopy(exif, exifLength, &metadata->exif)) return false;
  }
  return true;
}

}  // namespace

int ReadPngInput(FILE* file, WebPPicture* picture, int keepAlpha, webp::ImageMetadata* metadata) {
  PngReadJob job{};
  job.keepAlpha = keepAlpha;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!job.png) return 0;
  job.info = png_create_info_struct(job.png);
  job.endInfo = png_create_info_struct(job.png);
  int ok = job.info && job.endInfo ? ReadPngPixels(&job, file) : 0;
  if (ok && metadata && !ExtractPngMetadata(job.png, job.info, job.endInfo, metadata)) {
    std::fprintf(stderr, "Error extracting PNG metadata!\n");
    ok = 0;
  }
  if (ok) {
    picture->width = static_cast<int>(job.width);
    picture->height = static_cast<int>(job.height);
    const int stride = static_cast<int>(job.stride);
    ok = job.hasAlpha ? WebPPictureImportRGBA(picture, job.pixels, stride)
                      : WebPPictureImportRGB(picture, job.pixels, stride);
  }
  png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr,
                          job.endInfo ? &job.endInfo : nullptr);
  std::free(job.rows);
  std::free(job.pixels);
  return ok ? 1 : 0;
}

int ReadInputPicture(const char* path, WebPPicture* picture, int keepAlpha,
                     webp::ImageMetadata* metadata) {
  FilePtr file(std::fopen(path, "rb"));
  if (!file) {
    std::fprintf(stderr, "Error! Cannot open input file '%s'\n", path);
    return 0;
  }
  uint8_t magic[4] = {};
  const size_t got = std::fread(magic, 1, sizeof magic, file.get());
  std::rewind(file.get());
  int ok = 0;
  if (got == 4 && !std::memcmp(magic, "\x89PNG", 4)) {
    ok = ReadPngInput(file.get(), picture, keepAlpha, metadata);
  } else if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
    ok = ReadJpegInput(file.get(), picture, metadata);
  } else if (got == 4 && (!std::memcmp(magic, "II*\0", 4) || !std::memcmp(magic, "MM\0*", 4))) {
    file.reset();
    ok = ReadTiffInput(path, picture, keepAlpha, metadata);
  }
  if (!ok) std::fprintf(stderr, "Error! Could not process file %s\n", path);
  return ok;
}

}  // namespace glimbrik
