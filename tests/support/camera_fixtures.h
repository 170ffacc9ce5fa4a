#pragma once

// Camera raw files made by hand: a DNG of an uncompressed 16-bit RGGB mosaic whose camera space is
// linear sRGB, so that a developed picture can be predicted as well as compared.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "tiff_directory.h"

namespace glimbrik::test {

struct LinearRgb {
  double r = 0, g = 0, b = 0;
};

struct DngOptions {
  int width = 64;
  int height = 48;
  int orientation = 1;
  QString make = QStringLiteral("Glimbrik");
  QString model = QStringLiteral("RawCam 7");
  QString dateTimeOriginal = QStringLiteral("2024:05:06 07:08:09");
  double dpi = 0;  // stated in the first directory (both sides, per inch) when not 0
  // The camera's response to white: the as-shot white balance undoes it.
  double neutral[3] = {0.5, 1.0, 0.8};
  // The scene in linear light, 0-1, by stored pixel.
  std::function<LinearRgb(int x, int y)> scene;
};

namespace dng_detail {

using Entry = TiffEntry;

inline void Put16(QByteArray& out, uint32_t v) { PutTiff16(out, v, false); }
inline void Put32(QByteArray& out, uint32_t v) { PutTiff32(out, v, false); }
inline Entry Short(uint16_t tag, std::vector<uint32_t> values) {
  QByteArray v;
  for (uint32_t x : values) Put16(v, x);
  return {tag, 3, uint32_t(values.size()), v};
}
inline Entry Long(uint16_t tag, uint32_t value) {
  QByteArray v;
  Put32(v, value);
  return {tag, 4, 1, v};
}
inline Entry Bytes(uint16_t tag, std::vector<uint8_t> values) {
  QByteArray v;
  for (uint8_t x : values) v.append(char(x));
  return {tag, 1, uint32_t(values.size()), v};
}
inline Entry Ascii(uint16_t tag, const QString& text) {
  QByteArray v = text.toLatin1();
  v.append('\0');
  return {tag, 2, uint32_t(v.size()), v};
}
// Rationals with a denominator of 10000; signed when the type is 10.
inline Entry Rationals(uint16_t tag, uint16_t type, std::vector<double> values) {
  QByteArray v;
  for (double x : values) {
    Put32(v, uint32_t(int32_t(std::lround(x * 10000))));
    Put32(v, 10000);
  }
  return {tag, type, uint32_t(values.size()), v};
}

}  // namespace dng_detail

inline QByteArray MakeDng(const DngOptions& o) {
  using namespace dng_detail;
  // XYZ (D65) to linear sRGB: the camera sees the scene as linear sRGB.
  const std::vector<double> colorMatrix = {3.2406, -1.5372, -0.4986, -0.9689, 1.8758,
                                           0.0415, 0.0557,  -0.2040, 1.0570};
  const uint32_t dataSize = uint32_t(o.width) * o.height * 2;
  std::vector<Entry> ifd0 = {
      Long(254, 0),
      Long(256, uint32_t(o.width)),
      Long(257, uint32_t(o.height)),
      Short(258, {16}),
      Short(259, {1}),
      Short(262, {32803}),
      Ascii(271, o.make),
      Ascii(272, o.model),
      Long(273, 0),  // strip offset, set below
      Short(274, {uint32_t(o.orientation)}),
      Short(277, {1}),
      Long(278, uint32_t(o.height)),
      Long(279, dataSize),
      Short(284, {1}),
      Ascii(306, o.dateTimeOriginal),
      Short(33421, {2, 2}),
      Bytes(33422, {0, 1, 1, 2}),
      Long(34665, 0),  // EXIF directory, set below
      Long(34853, 0),  // GPS directory, set below
      Bytes(50706, {1, 4, 0, 0}),
      Bytes(50707, {1, 1, 0, 0}),
      Ascii(50708, o.make + QLatin1Char(' ') + o.model),
      Long(50714, 0),
      Long(50717, 65535),
      Rationals(50721, 10, colorMatrix),
      Rationals(50728, 5, {o.neutral[0], o.neutral[1], o.neutral[2]}),
      Short(50778, {21}),
  };
  if (o.dpi > 0) {
    ifd0.push_back(Rationals(282, 5, {o.dpi}));
    ifd0.push_back(Rationals(283, 5, {o.dpi}));
    ifd0.push_back(Short(296, {2}));
  }
  const std::vector<Entry> exif = {Ascii(36867, o.dateTimeOriginal)};
  // 48 degrees 51 minutes 30 seconds north.
  const std::vector<Entry> gps = {Bytes(0, {2, 3, 0, 0}), Ascii(1, QStringLiteral("N")),
                                  Rationals(2, 5, {48, 51, 30})};
  const uint32_t exifAt = 8 + TiffDirectorySize(ifd0);
  const uint32_t gpsAt = exifAt + TiffDirectorySize(exif);
  const uint32_t dataAt = gpsAt + TiffDirectorySize(gps);
  for (Entry& e : ifd0) {
    if (e.tag == 273) e = Long(273, dataAt);
    if (e.tag == 34665) e = Long(34665, exifAt);
    if (e.tag == 34853) e = Long(34853, gpsAt);
  }
  QByteArray out("II*\0", 4);
  Put32(out, 8);
  WriteTiffDirectory(out, ifd0, false);
  WriteTiffDirectory(out, exif, false);
  WriteTiffDirectory(out, gps, false);
  out.reserve(out.size() + qsizetype(dataSize));
  for (int y = 0; y < o.height; ++y) {
    for (int x = 0; x < o.width; ++x) {
      const LinearRgb c = o.scene ? o.scene(x, y) : LinearRgb{0.5, 0.5, 0.5};
      const int channel = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
      const double value = (channel == 0 ? c.r : channel == 1 ? c.g : c.b) * o.neutral[channel];
      Put16(out, uint32_t(std::clamp(std::lround(value * 65535.0), 0L, 65535L)));
    }
  }
  return out;
}

// A scene that tells its corners apart: a bright warm block at the top left on a cool gradient.
inline LinearRgb CornerScene(int width, int height, int x, int y) {
  if (x < width / 4 && y < height / 4) return {0.8, 0.5, 0.1};
  return {0.05 + 0.3 * x / width, 0.2, 0.1 + 0.5 * y / height};
}

}  // namespace glimbrik::test
