#pragma once

// Pixels of written files as an independent reader (ImageMagick) decodes them, and how far two
// such pictures lie apart.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>

#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik::test {

struct Difference {
  double max = 0;   // in 8-bit steps
  double mean = 0;  // in 8-bit steps
};

// The pixels of a file's first image as ImageMagick reads them (colour as stored, no profile
// applied), 16 bits per channel.
inline QImage MagickPixels(const QString& path) {
  const QString png = MakeTempFolder() + QStringLiteral("/pixels.png");
  bool ok = false;
  RunTool(QStringLiteral("convert"), {path + "[0]", "-depth", "16", "PNG64:" + png}, &ok);
  EXPECT_TRUE(ok) << path.toStdString();
  return QImage(png).convertToFormat(QImage::Format_RGBA64);
}

// Colour compared where the reference b is opaque; alpha everywhere.
inline Difference Compare(const QImage& a, const QImage& b) {
  Difference d;
  EXPECT_EQ(a.size(), b.size());
  if (a.size() != b.size() || a.isNull()) return {1e9, 1e9};
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgba64*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgba64*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const bool opaque = q[x].alpha() == 0xFFFF;
      const double diffs[] = {opaque ? std::abs(p[x].red() - q[x].red()) : 0.0,
                              opaque ? std::abs(p[x].green() - q[x].green()) : 0.0,
                              opaque ? std::abs(p[x].blue() - q[x].blue()) : 0.0,
                              double(std::abs(p[x].alpha() - q[x].alpha()))};
      for (double v : diffs) {
        d.max = std::max(d.max, v / 257.0);
        sum += v / 257.0;
      }
    }
  }
  d.mean = sum / (4.0 * a.width() * a.height());
  return d;
}

}  // namespace glimbrik::test
