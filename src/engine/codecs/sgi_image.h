#pragma once

// Writer of uncompressed 4-channel SGI image files.

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

namespace glimbrik {

class SGIImage {
 public:
  // The largest side an SGI header can state.
  static constexpr uint64_t kMaxSide = 65535;

  SGIImage() = default;
  explicit SGIImage(const QImage& image);

  // Takes the image's pixels as opaque 8-bit RGB (the fourth byte 255). False for a null image,
  // a side over kMaxSide or when the bitmap cannot be made.
  bool loadCGImage(const QImage& image);

  uint64_t height() const { return height_; }
  uint64_t width() const { return width_; }
  // width x height x 4 bytes, rows top to bottom; null when empty.
  const uint8_t* pixels() const { return pixels_.get(); }

  // Writes the SGI file at the path; false (and no file) when empty or the file cannot be made.
  bool writeToURL(const QString& path) const;

  static void PutByte(uint8_t* at, uint8_t value);
  static void PutBigEndian16(uint8_t* at, uint16_t value);
  static void PutBigEndian32(uint8_t* at, uint32_t value);
  static uint16_t SwapBytes16(uint16_t value);
  static uint32_t SwapBytes32(uint32_t value);

 private:
  std::unique_ptr<uint8_t[]> pixels_;
  uint64_t height_ = 0;
  uint64_t width_ = 0;
  uint64_t bytesPerRow_ = 0;
  uint64_t channels_ = 0;
};

}  // namespace glimbrik
