#include "image_fixtures.h"

#include <QFile>
#include <QImageWriter>
#include <QPainter>

namespace glimbrik::test {

QImage TestPicture() {
  QImage image(96, 64, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(x, y, qRgb(x * 255 / 95, y * 255 / 63, ((x / 8 + y / 8) % 2) * 200));
    }
  }
  QPainter painter(&image);
  painter.setPen(Qt::white);
  painter.drawEllipse(20, 10, 40, 40);
  return image;
}

bool WriteUncompressedPng(const QString& path) {
  QImageWriter writer(path, "png");
  writer.setQuality(100);  // compression level 0
  return writer.write(TestPicture());
}

bool WritePlainJpeg(const QString& path) {
  QImageWriter writer(path, "jpeg");
  writer.setQuality(90);
  writer.setOptimizedWrite(false);
  return writer.write(TestPicture());
}

namespace {

class BitWriter {
 public:
  void put(unsigned code, int width) {
    for (int i = 0; i < width; ++i) {
      if (bit_ == 0) bytes_.append('\0');
      if (code & (1u << i))
        bytes_[bytes_.size() - 1] = static_cast<char>(bytes_.back() | (1 << bit_));
      bit_ = (bit_ + 1) % 8;
    }
  }
  const QByteArray& bytes() const { return bytes_; }

 private:
  QByteArray bytes_;
  int bit_ = 0;
};

void Put16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>(value >> 8));
}

}  // namespace

bool WriteWastefulGif(const QString& path) {
  constexpr int kWidth = 48;
  constexpr int kHeight = 32;
  QByteArray gif("GIF89a");
  Put16(gif, kWidth);
  Put16(gif, kHeight);
  gif.append(static_cast<char>(0xF7));  // global table of 256 entries
  gif.append('\0').append('\0');
  for (int i = 0; i < 256; ++i) {
    gif.append(static_cast<char>(i))
        .append(static_cast<char>(255 - i))
        .append(static_cast<char>(i / 2));
  }
  const QByteArray comment(200, 'c');
  gif.append('\x21').append(static_cast<char>(0xFE)).append(static_cast<char>(comment.size()));
  gif.append(comment).append('\0');
  gif.append('\x2C');
  Put16(gif, 0);
  Put16(gif, 0);
  Put16(gif, kWidth);
  Put16(gif, kHeight);
  gif.append('\0');
  gif.append('\x08');  // minimum code size: codes are 9 bits wide until the table grows
  BitWriter bits;
  constexpr unsigned kClear = 256;
  constexpr unsigned kEnd = 257;
  for (int i = 0; i < kWidth * kHeight; ++i) {
    // A clear code well before the table would need 10-bit codes keeps every code literal.
    if (i % 200 == 0) bits.put(kClear, 9);
    const int x = i % kWidth;
    const int y = i / kWidth;
    bits.put(static_cast<unsigned>((x / 6 + y / 4) % 4 * 40), 9);
  }
  bits.put(kEnd, 9);
  const QByteArray& data = bits.bytes();
  for (qsizetype at = 0; at < data.size(); at += 255) {
    const QByteArray block = data.mid(at, 255);
    gif.append(static_cast<char>(block.size())).append(block);
  }
  gif.append('\0').append('\x3B');
  return WriteBytes(path, gif);
}

bool SamePixels(const QString& a, const QString& b) {
  const QImage first(a);
  const QImage second(b);
  if (first.isNull() || second.isNull()) return false;
  return first.convertToFormat(QImage::Format_ARGB32) ==
         second.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace glimbrik::test
