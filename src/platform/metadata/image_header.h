#pragma once

// A fast look at an image file's header: size, resolution, orientation, colour model and depth,
// read without decoding pixels, so that callers can describe a file or refuse an oversized one
// before any large allocation.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace glimbrik {

// Largest image we agree to decode.
inline constexpr int kMaxImageSide = 30000;
inline constexpr int64_t kMaxImagePixels = 500'000'000;

enum class ImageFormat {
  Unknown,
  JPEG,
  PNG,
  TIFF,
  GIF,
  JPEG2000,
  WebP,
  CameraRaw,
  HEIF,
  OpenEXR,
  BMP,
  ICO,
  ICNS,
  TGA,
  XBM,
  XPM,
  PNM,
  PSD,
  SGI,
  MacPaint,
  Fax,
  QuickTimeImage,
  Other
};

// The probe's colour model; Unknown where a header does not say.
enum class ColourModel { Unknown, RGB, CMYK, Gray, Lab, Indexed };

struct ImageHeader {
  ImageFormat format = ImageFormat::Unknown;
  // Lower-case short name: "jpeg", "png", "tiff", "webp", "gif", "bmp", "jp2", or the name Qt's
  // reader gives a minor format ("tga", "ico", "ppm", ...).
  QString formatName;
  // Stored pixel size of the first image, before any orientation is applied.
  int width = 0;
  int height = 0;
  // Resolution in dots per inch; 72 when the file states none or states 0.
  double dpiX = 72.0;
  double dpiY = 72.0;
  // Whether the file states each of them (a TIFF or EXIF block may state only one).
  bool dpiXStated = false;
  bool dpiYStated = false;
  // EXIF/TIFF orientation 1-8; 0 when the file states none.
  int orientation = 0;
  ColourModel colourModel = ColourModel::Unknown;
  int bitsPerComponent = 0;
  bool hasAlpha = false;
  // Frames (GIF, animated WebP) or pages (TIFF); 1 for single images.
  int frameCount = 1;

  // The pixel size as displayed: sides exchanged for orientations 5 to 8 (a quarter turn).
  int displayWidth() const { return orientation >= 5 && orientation <= 8 ? height : width; }
  int displayHeight() const { return orientation >= 5 && orientation <= 8 ? width : height; }
};

struct ImageHeaderResult {
  std::optional<ImageHeader> header;
  QString reason;  // why no header was read; empty on success

  explicit operator bool() const { return header.has_value(); }
};

// Reads the header of the file at path.
ImageHeaderResult ReadImageHeader(const QString& path);
// Reads the header from the file's bytes already in memory; path only names the file in reasons
// and gives Qt's fallback reader a format hint by its extension.
ImageHeaderResult ReadImageHeader(const QString& path, const QByteArray& bytes);

// Declared sizes beyond kMaxImageSide and kMaxImagePixels are refused before allocating pixels.
constexpr bool IsImageSizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         width * height <= kMaxImagePixels;
}

// The DPI to use for a stated resolution: 72 for a missing, zero, negative or non-finite value.
double SanitisedDpi(double dpi);

}  // namespace glimbrik
