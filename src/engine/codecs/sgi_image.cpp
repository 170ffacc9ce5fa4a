#include "engine/codecs/sgi_image.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <new>

#include "platform/store/atomic_write.h"

namespace glimbrik {
namespace {

constexpr size_t kHeaderSize = 512;

}  // namespace

SGIImage::SGIImage(const QImage& image) { loadCGImage(image); }

bool SGIImage::loadCGImage(const QImage& image) {
  if (image.isNull()) return false;
  const uint64_t width = std::max(1, image.width());
  const uint64_t height = std::max(1, image.height());
  // The header stores 16-bit sides: a larger image would be written with a wrong size.
  if (width > kMaxSide || height > kMaxSide) return false;
  // Opaque RGB over black, as a bitmap without alpha receives it; the fourth byte is 255.
  QImage bitmap(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGBX8888);
  if (bitmap.isNull()) return false;
  bitmap.fill(Qt::black);
  {
    QPainter painter(&bitmap);
    painter.drawImage(QRect(0, 0, bitmap.width(), bitmap.height()), image);
  }
  const uint64_t bytesPerRow = width * 4;
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[bytesPerRow * height]());
  if (!pixels) return false;
  for (uint64_t y = 0; y < height; ++y) {
    std::memcpy(pixels.get() + y * bytesPerRow, bitmap.constScanLine(static_cast<int>(y)),
                bytesPerRow);
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  bytesPerRow_ = bytesPerRow;
  channels_ = 4;
  return true;
}

bool SGIImage::writeToURL(const QString& path) const {
  if (!pixels_ || width_ == 0 || height_ == 0) return false;
  const uint64_t planeSize = width_ * height_;
  const uint64_t fileSize = kHeaderSize + planeSize * channels_;
  std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[fileSize]());
  if (!file) return false;
  uint8_t* header = file.get();
  PutBigEndian16(header + 0, 474);
  PutByte(header + 2, 0);
  PutByte(header + 3, 1);
  PutBigEndian16(header + 4, 3);
  PutBigEndian16(header + 6, static_cast<uint16_t>(width_));
  PutBigEndian16(header + 8, static_cast<uint16_t>(height_));
  PutBigEndian16(header + 10, static_cast<uint16_t>(channels_));
  PutBigEndian32(header + 12, 0);
  PutBigEndian32(header + 16, 255);
  std::memcpy(header + 24, "No Name", 7);
  PutBigEndian32(header + 104, 0);

  // Planar channels, each stored bottom row first.
  uint8_t* data = file.get() + kHeaderSize;
  for (uint64_t channel = 0; channel < channels_; ++channel) {
    uint8_t* plane = data + channel * planeSize;
    for (uint64_t row = 0; row < height_; ++row) {
      const uint8_t* source = pixels_.get() + (height_ - 1 - row) * bytesPerRow_ + channel;
      uint8_t* dest = plane + row * width_;
      for (uint64_t x = 0; x < width_; ++x) dest[x] = source[x * channels_];
    }
  }

  return WriteFileAtomically(path, reinterpret_cast<const char*>(file.get()),
                             static_cast<qint64>(fileSize));
}

void SGIImage::PutByte(uint8_t* at, uint8_t value) { *at = value; }

void SGIImage::PutBigEndian16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

void SGIImage::PutBigEndian32(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 24);
  at[1] = static_cast<uint8_t>(value >> 16);
  at[2] = static_cast<uint8_t>(value >> 8);
  at[3] = static_cast<uint8_t>(value);
}

uint16_t SGIImage::SwapBytes16(uint16_t value) {
  return static_cast<uint16_t>((value >> 8) | (value << 8));
}

uint32_t SGIImage::SwapBytes32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

}  // namespace glimbrik
