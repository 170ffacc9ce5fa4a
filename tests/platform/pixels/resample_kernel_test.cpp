#include "platform/pixels/resample_kernel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/pixels/row_resampler.h"

namespace glimbrik {
namespace {

// The 8-bit horizontal pass (fixed point where the machine has the vector units) against the
// float weights in double precision, on noise and on a flat row, including rows too narrow for
// the padded window and enlargements.
TEST(ResampleKernel, EightBitRowPassMatchesTheFloatWeights) {
  const std::pair<int, int> sizes[] = {{6000, 1600}, {4000, 1067}, {1001, 400}, {37, 10},
                                       {7, 3},       {3, 2},       {10, 23},    {1, 5}};
  std::mt19937 random(7);
  for (const auto& [in, out] : sizes) {
    SCOPED_TRACE(std::to_string(in) + " -> " + std::to_string(out));
    const resample::Taps taps = resample::ComputeTaps(in, out);
    ASSERT_LE(taps.width, in);
    std::vector<uint8_t> noise(size_t(in) * 4), flat(size_t(in) * 4, 200);
    for (uint8_t& b : noise) b = uint8_t(random() % 256);
    std::vector<float> got(size_t(out) * 4), level(size_t(out) * 4);
    resample::FilterRow<uint8_t, 4>(noise.data(), taps, out, got.data());
    resample::FilterRow<uint8_t, 4>(flat.data(), taps, out, level.data());
    for (int x = 0; x < out; ++x) {
      ASSERT_GE(taps.first[x], 0);
      ASSERT_LE(taps.first[x] + taps.width, in);
      for (int c = 0; c < 4; ++c) {
        double want = 0.0;
        for (int k = 0; k < taps.width; ++k) {
          want += double(taps.weights[size_t(x) * taps.width + k]) *
                  noise[size_t(taps.first[x] + k) * 4 + c];
        }
        EXPECT_NEAR(got[x * 4 + c], want, 0.1) << "x " << x << " channel " << c;
        EXPECT_NEAR(level[x * 4 + c], 200.0f, 1e-3) << "x " << x << " channel " << c;
      }
    }
  }
}

// The 8-bit road (fixed point where the machine has the vector units) against the 16-bit one
// (floats throughout) on the same premultiplied noise with varied alpha: within one level, and
// colour never above alpha. Rows fed in batches give the same bytes as rows fed one by one.
TEST(ResampleKernel, EightBitRowResamplerAgreesWithSixteenBit) {
  const QSize in(613, 411);
  std::mt19937 random(11);
  QImage narrow(in, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < in.height(); ++y) {
    for (int x = 0; x < in.width(); ++x) {
      const int a = x < in.width() / 2 ? 255 : int(random() % 256);
      const int r = int(random() % (a + 1)), g = int(random() % (a + 1)), b = a / 2;
      reinterpret_cast<QRgb*>(narrow.scanLine(y))[x] = qRgba(r, g, b, a);
    }
  }
  const QImage wide = narrow.convertToFormat(QImage::Format_RGBA64_Premultiplied);
  for (const QSize out : {QSize(160, 107), QSize(300, 411), QSize(613, 200), QSize(9, 5)}) {
    SCOPED_TRACE(std::to_string(out.width()) + " x " + std::to_string(out.height()));
    RowResampler a(in, out, narrow.format()), b(in, out, wide.format());
    RowResampler batched(in, out, narrow.format());
    for (int y = 0; y < in.height(); ++y) {
      a.pushRow(narrow.constScanLine(y));
      b.pushRow(wide.constScanLine(y));
    }
    for (int y = 0; y < in.height(); y += 3) {
      batched.pushRows(narrow.constScanLine(y), narrow.bytesPerLine(),
                       std::min(3, in.height() - y));
    }
    const QImage got = a.take(), want = b.take();
    EXPECT_EQ(batched.take(), got);
    ASSERT_FALSE(got.isNull());
    ASSERT_FALSE(want.isNull());
    int worst = 0;
    for (int y = 0; y < out.height(); ++y) {
      for (int x = 0; x < out.width(); ++x) {
        const QRgb p = reinterpret_cast<const QRgb*>(got.constScanLine(y))[x];
        const QRgba64 q = reinterpret_cast<const QRgba64*>(want.constScanLine(y))[x];
        ASSERT_LE(std::max({qRed(p), qGreen(p), qBlue(p)}), qAlpha(p));
        worst = std::max({worst, std::abs(qRed(p) - q.red8()), std::abs(qGreen(p) - q.green8()),
                          std::abs(qBlue(p) - q.blue8()), std::abs(qAlpha(p) - q.alpha8())});
      }
    }
    EXPECT_LE(worst, 1);
  }
}

// Grey 8-bit planes reduced to 16 bits (samples times 256) where the machine has the vector
// units: within a fraction of a level of the 16-bit float road, so that combining planes does
// not round twice; flat stays exact, and rows fed in batches give the same samples.
TEST(ResampleKernel, GreyPlanesReduceToSixteenBitsWithTheirFraction) {
  const QSize in(613, 411);
  std::mt19937 random(5);
  QImage noise(in, QImage::Format_Grayscale8), flat(in, QImage::Format_Grayscale8);
  flat.fill(200);
  for (int y = 0; y < in.height(); ++y) {
    for (int x = 0; x < in.width(); ++x) noise.scanLine(y)[x] = uchar(random() % 256);
  }
  const QImage wide = noise.convertToFormat(QImage::Format_Grayscale16);
  for (const QSize out : {QSize(160, 107), QSize(300, 411), QSize(613, 200), QSize(9, 5)}) {
    SCOPED_TRACE(std::to_string(out.width()) + " x " + std::to_string(out.height()));
    RowResampler a(in, out, QImage::Format_Grayscale8, QImage::Format_Grayscale16);
    if (!__builtin_cpu_supports("avx2")) {
      EXPECT_FALSE(a.isValid()) << "only the vector road keeps the fraction";
      continue;
    }
    ASSERT_TRUE(a.isValid());
    RowResampler batched(in, out, QImage::Format_Grayscale8, QImage::Format_Grayscale16);
    RowResampler level(in, out, QImage::Format_Grayscale8, QImage::Format_Grayscale16);
    RowResampler b(in, out, QImage::Format_Grayscale16);
    RowResampler sunk(in, out, QImage::Format_Grayscale8, QImage::Format_Grayscale16);
    QImage fromSink(out, QImage::Format_Grayscale16);
    int nextRow = 0;
    ASSERT_TRUE(sunk.setRowSink([&](int row, const uchar* samples) {
      EXPECT_EQ(row, nextRow++);
      std::memcpy(fromSink.scanLine(row), samples, size_t(out.width()) * 2);
    }));
    for (int y = 0; y < in.height(); ++y) {
      a.pushRow(noise.constScanLine(y));
      b.pushRow(wide.constScanLine(y));
    }
    sunk.pushRows(noise.constScanLine(0), noise.bytesPerLine(), in.height());
    EXPECT_FALSE(a.setRowSink([](int, const uchar*) {})) << "only before the first row";
    EXPECT_TRUE(sunk.take().isNull());
    EXPECT_EQ(nextRow, out.height());
    for (int y = 0; y < in.height(); y += 3) {
      const int count = std::min(3, in.height() - y);
      batched.pushRows(noise.constScanLine(y), noise.bytesPerLine(), count);
      level.pushRows(flat.constScanLine(y), flat.bytesPerLine(), count);
    }
    const QImage got = a.take(), want = b.take(), flatOut = level.take();
    ASSERT_EQ(got.format(), QImage::Format_Grayscale16);
    EXPECT_EQ(batched.take(), got);
    EXPECT_EQ(fromSink, got);
    double worst = 0.0;
    for (int y = 0; y < out.height(); ++y) {
      const auto* g = reinterpret_cast<const quint16*>(got.constScanLine(y));
      const auto* w = reinterpret_cast<const quint16*>(want.constScanLine(y));
      const auto* f = reinterpret_cast<const quint16*>(flatOut.constScanLine(y));
      for (int x = 0; x < out.width(); ++x) {
        ASSERT_LE(g[x], 255 * 256);
        ASSERT_EQ(f[x], 200 * 256) << x << ", " << y;
        worst = std::max(worst, std::abs(g[x] / 256.0 - w[x] / 257.0));
      }
    }
    EXPECT_LE(worst, 0.25) << "a rounding to whole levels would show as up to 0.5";
  }
  EXPECT_FALSE(
      RowResampler(in, QSize(9, 5), QImage::Format_ARGB32_Premultiplied, QImage::Format_Grayscale16)
          .isValid());
  EXPECT_FALSE(
      RowResampler(in, QSize(9, 5), QImage::Format_Grayscale8).setRowSink([](int, const uchar*) {}))
      << "8-bit output keeps its image";
}

}  // namespace
}  // namespace glimbrik
