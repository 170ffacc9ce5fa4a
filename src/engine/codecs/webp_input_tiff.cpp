// TIFF input of the WebP encoder: the first directory as RGBA, its ICC profile and XMP packet,
// and its EXIF directory re-encoded as a stand-alone EXIF block.

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <memory>

#include "engine/codecs/webp_internal.h"
#include "platform/metadata/exif_maker_note.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {
namespace {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFreer {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

int PrintTiffError(TIFF*, void*, const char* module, const char* format, va_list args) {
  std::fprintf(stderr, "%s: ", module ? module : "libtiff");
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  return 1;
}

int IgnoreTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Tags that describe the TIFF file's own layout, or payloads carried in their own chunks: they
// mean nothing in a stand-alone EXIF block.
bool IsLayoutTag(uint16_t tag) {
  static constexpr uint16_t kTags[] = {254, 255, 256, 257,   258,   259,   262,   263,  264, 265,
                                       266, 273, 277, 278,   279,   280,   281,   284,  317, 320,
                                       322, 323, 324, 325,   330,   338,   339,   340,  341, 347,
                                       513, 514, 700, 34665, 34853, 37724, 40965, 34675};
  return std::find(std::begin(kTags), std::end(kTags), tag) != std::end(kTags);
}

bool ExtractTiffExif(const char* path, webp::MetadataPayload* exif) {
  try {
    auto image = Exiv2::ImageFactory::open(std::string(path));
    if (!image.get()) return false;
    image->readMetadata();
    Exiv2::ExifData kept;
    for (const Exiv2::Exifdatum& datum : image->exifData()) {
      const std::string group = datum.groupName();
      const bool main = group == "Image";
      // The maker note travels as exiv2 parsed it, so that it can be written with offsets valid
      // in the new block (or as its own bytes, where those read the same anywhere).
      if ((main && !IsLayoutTag(datum.tag())) || group == "Photo" || group == "GPSInfo" ||
          group == "Iop" || group == "MakerNote" || Exiv2::ExifTags::isMakerGroup(group)) {
        kept.add(datum);
      }
    }
    if (kept.empty()) return true;
    PrepareMakerNoteForWriting(&kept, Exiv2::littleEndian);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, kept);
    return blob.empty() || webp::ImageMetadataCopy(blob.data(), blob.size(), exif);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "EXIF of %s unreadable: %s\n", path, error.what());
    return false;
  }
}

// Text tags of the main directory that are metadata rather than layout; without any of them and
// without an EXIF or GPS directory the file has no EXIF to carry.
constexpr uint32_t kDescriptiveTags[] = {
    TIFFTAG_MAKE,     TIFFTAG_MODEL,   TIFFTAG_ARTIST, TIFFTAG_COPYRIGHT, TIFFTAG_IMAGEDESCRIPTION,
    TIFFTAG_DATETIME, TIFFTAG_SOFTWARE};

bool ExtractTiffMetadata(TIFF* tiff, const char* path, webp::ImageMetadata* metadata) {
  uint32_t length = 0;
  void* data = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &length, &data) && data && length > 0 &&
      !webp::ImageMetadataCopy(static_cast<const uint8_t*>(data), length, &metadata->iccp)) {
    return false;
  }
  if (TIFFGetField(tiff, TIFFTAG_XMLPACKET, &length, &data) && data && length > 0 &&
      !webp::ImageMetadataCopy(static_cast<const uint8_t*>(data), length, &metadata->xmp)) {
    return false;
  }
  uint64_t offset = 0;
  const bool exif = TIFFGetField(tiff, TIFFTAG_EXIFIFD, &offset) ||
                    TIFFGetField(tiff, TIFFTAG_GPSIFD, &offset) ||
                    std::any_of(std::begin(kDescriptiveTags), std::end(kDescriptiveTags),
                                [&](uint32_t tag) { return TIFFGetField(tiff, tag, &data); });
  // A damaged EXIF block is left out rather than failing the picture.
  if (exif) ExtractTiffExif(path, &metadata->exif);
  return true;
}

// libtiff's RGBA is premultiplied; the encoder wants straight colour.
void Unpremultiply(uint8_t* rgba, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, rgba += 4) {
    const unsigned alpha = rgba[3];
    if (alpha == 0 || alpha == 255) continue;
    for (int c = 0; c < 3; ++c) {
      rgba[c] = static_cast<uint8_t>(std::min(255u, (rgba[c] * 255u + alpha / 2) / alpha));
    }
  }
}

}  // namespace

int ReadTiffInput(const char* path, WebPPicture* picture, int keepAlpha,
                  webp::ImageMetadata* metadata) {
  std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
  if (!options) return 0;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), PrintTiffError, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreTiffWarning, nullptr);
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpenExt(path, "r", options.get()));
  if (!tiff) return 0;
  const int directories = TIFFNumberOfDirectories(tiff.get());
  if (directories > 1) {
    std::fprintf(stderr,
                 "Warning: multi-directory TIFF files are not supported.\n"
                 "Only the first will be used, %d will be ignored.\n",
                 directories - 1);
  }
  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height)) {
    std::fprintf(stderr, "Error! Cannot retrieve TIFF image dimensions.\n");
    return 0;
  }
  if (!IsImageSizeAllowed(width, height)) return 0;
  if (metadata && !ExtractTiffMetadata(tiff.get(), path, metadata)) return 0;

  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  const bool hasAlpha =
      TIFFGetField(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0;
  const size_t pixelCount = size_t{width} * height;
  std::unique_ptr<uint32_t, decltype(&_TIFFfree)> raster(
      static_cast<uint32_t*>(_TIFFmalloc(static_cast<tmsize_t>(pixelCount * sizeof(uint32_t)))),
      &_TIFFfree);
  if (!raster ||
      !TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.get(), ORIENTATION_TOPLEFT, 0)) {
    return 0;
  }
  // libtiff packs each pixel as R, G, B, A in memory order on little-endian hosts.
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
  auto* rgba = reinterpret_cast<uint8_t*>(raster.get());
  if (hasAlpha) Unpremultiply(rgba, pixelCount);
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  const int stride = static_cast<int>(width * 4);
  const int ok = keepAlpha ? WebPPictureImportRGBA(picture, rgba, stride)
                           : WebPPictureImportRGBX(picture, rgba, stride);
  return ok ? 1 : 0;
}

}  // namespace glimbrik
