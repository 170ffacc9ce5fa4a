#include "platform/codecs/jpeg_quality.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace glimbrik {

namespace {

// The standard luminance table in zig-zag order, as encoders store it.
constexpr std::array<int, 64> kStandardLuminance = {
    16, 11, 12,  14,  12,  10, 16, 14,  13,  14,  18,  17,  16, 19,  24,  40,
    26, 24, 22,  22,  24,  49, 35, 37,  29,  40,  58,  51,  61, 60,  57,  51,
    56, 55, 64,  72,  92,  78, 64, 68,  87,  69,  55,  56,  80, 109, 81,  87,
    95, 98, 103, 104, 103, 62, 77, 113, 121, 112, 100, 120, 92, 101, 103, 99};

// The first table with id 0 of the first DQT segment that has one, before the scan starts.
bool LuminanceTable(const QByteArray& jpeg, std::array<int, 64>* table) {
  const auto byte = [&](qsizetype i) { return int(uchar(jpeg[i])); };
  if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return false;
  qsizetype i = 2;
  while (i + 4 <= jpeg.size()) {
    if (byte(i) != 0xFF) return false;
    const int marker = byte(i + 1);
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return false;
    const qsizetype length = (byte(i + 2) << 8) | byte(i + 3);
    const qsizetype end = i + 2 + length;
    if (length < 2 || end > jpeg.size()) return false;
    if (marker == 0xDB) {
      for (qsizetype p = i + 4; p < end;) {
        const int precision = byte(p) >> 4, id = byte(p) & 15;
        const qsizetype size = precision ? 128 : 64;
        if (p + 1 + size > end) return false;
        if (id == 0) {
          for (int k = 0; k < 64; ++k) {
            (*table)[k] =
                precision ? (byte(p + 1 + 2 * k) << 8) | byte(p + 2 + 2 * k) : byte(p + 1 + k);
          }
          return true;
        }
        p += 1 + size;
      }
    }
    i = end;
  }
  return false;
}

}  // namespace

int EstimateJPEGQuality(const QByteArray& jpeg) {
  std::array<int, 64> table{};
  if (!LuminanceTable(jpeg, &table)) return -1;
  int best = -1;
  long bestError = 0;
  for (int q = 1; q <= 100; ++q) {
    const int scale = q < 50 ? 5000 / q : 200 - 2 * q;
    long error = 0;
    for (int k = 0; k < 64; ++k) {
      const int expected = std::clamp((kStandardLuminance[k] * scale + 50) / 100, 1, 255);
      error += std::labs(long(expected - table[k]));
    }
    // Ties go to the higher quality: tables that saturate at 1 fit every top setting.
    if (best < 0 || error <= bestError) {
      best = q;
      bestError = error;
    }
  }
  return best;
}

}  // namespace glimbrik
