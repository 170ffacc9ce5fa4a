#pragma once

// Fixture builders for the codec tests: small images written with the libraries themselves, so
// that every test makes the exact file it needs.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "support/test_env.h"

namespace glimbrik::test {

struct PngOptions {
  std::optional<double> dpi;  // pHYs in pixels per metre from this many dpi
  QByteArray iccProfile;      // iCCP chunk when not empty
  QByteArray exif;            // eXIf chunk when not empty
};
// An 8-bit RGBA PNG of straight pixels, with the chunks the options ask for after its header.
bool WritePng(const QString& path, const QImage& image, const PngOptions& options = {});

// An sRGB ICC profile made by Qt.
QByteArray SrgbProfile();

// An EXIF block (TIFF header and one directory) holding only an orientation.
QByteArray MakeExif(int orientation);

// A JPEG of the given samples made by our libjpeg bridge; empty when it refuses them.
QByteArray EncodeJpeg(int width, int height, int colourSpace, int components,
                      const uint8_t* samples, double dpi = 72.0, int quality = 90);
// An RGB or grey JPEG of a flat colour with JFIF density in dpi.
QByteArray MakeJpeg(int width, int height, int components, double dpi = 72.0);
// The JPEG with one more marker segment placed right after its JFIF segment.
QByteArray InsertSegment(const QByteArray& jpeg, uint8_t marker, const QByteArray& payload);

struct RiffChunk {
  QByteArray fourcc;
  qsizetype offset = 0;  // of the chunk header
  uint32_t size = 0;     // payload size
};
std::vector<RiffChunk> RiffChunks(const QByteArray& webp);
uint32_t LittleEndian32(const QByteArray& bytes, qsizetype offset);

}  // namespace glimbrik::test
