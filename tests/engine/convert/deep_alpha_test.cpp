#include <gtest/gtest.h>

#include <QImageReader>

#include "engine/convert/conversion_records.h"
#include "support/conversion_fixture.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kWidth = 32;
constexpr int kHeight = 24;

// Straight 16-bit samples: colour ramps across, alpha from clear at the top to opaque below.
uint16_t Sample(int x, int y, int channel) {
  switch (channel) {
    case 0:
      return uint16_t(65535 * x / (kWidth - 1));
    case 1:
      return uint16_t(65535 - 40000 * y / (kHeight - 1));
    case 2:
      return uint16_t(20000 + 1000 * ((x + y) % 20));
    default:
      return uint16_t(65535 * y / (kHeight - 1));
  }
}

// A PNG made byte by byte: RGBA (4 channels) or grey + alpha (2) at 16 bits, or the same
// picture narrowed to 8 bits.
QByteArray PngBytes(int channels, int depth) {
  QByteArray rows;
  for (int y = 0; y < kHeight; ++y) {
    rows.append('\0');  // no filter
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < channels; ++c) {
        const uint16_t v = Sample(x, y, channels == 2 ? (c == 0 ? 0 : 3) : c);
        if (depth == 16) {
          rows.append(char(v >> 8)).append(char(v & 0xFF));
        } else {
          rows.append(char((v + 128) / 257));
        }
      }
    }
  }
  QByteArray header;
  test::AppendBig32(header, kWidth);
  test::AppendBig32(header, kHeight);
  header.append(char(depth)).append(char(channels == 2 ? 4 : 6)).append(3, '\0');
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + test::PngChunk("IHDR", header) +
         test::PngChunk("IDAT", test::Deflated(rows)) + test::PngChunk("IEND", {});
}

QImage Read(const QString& path) {
  return QImageReader(path).read().convertToFormat(QImage::Format_ARGB32);
}

// Alpha within 1/255 everywhere; colour within 1/255 where alpha leaves enough of it.
void ExpectSamePixels(const QImage& out, int channels, const std::string& what) {
  ASSERT_EQ(out.size(), QSize(kWidth, kHeight)) << what;
  int wrong = 0;
  QPoint first;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const QRgb p = out.pixel(x, y);
      auto near = [&](int value, int c) {
        return std::abs(value - (Sample(x, y, channels == 2 && c < 3 ? 0 : c) + 128) / 257) <= 1;
      };
      const bool colour = (Sample(x, y, 3) + 128) / 257 < 128 ||
                          (near(qRed(p), 0) && near(qGreen(p), 1) && near(qBlue(p), 2));
      if ((!near(qAlpha(p), 3) || !colour) && wrong++ == 0) first = QPoint(x, y);
    }
  }
  EXPECT_EQ(wrong, 0) << what << ", first at " << first.x() << "," << first.y();
}

bool Convert(const QString& source, const QString& out, int type, bool process) {
  ImageConversion record = test::ConversionRecord(source, out, type, 1.0);
  if (!process) return ConvertImageFile(&record) == 1;
  record.resize = test::PercentFit(100);
  return ProcessImageFile(&record) == 0;
}

TEST(DeepAlpha, SixteenBitPicturesWithAlphaKeepTheirPixelsAndAlpha) {
  const QString folder = test::MakeTempFolder();
  for (int channels : {4, 2}) {
    const QString deep = folder + QStringLiteral("/deep%1.png").arg(channels);
    const QString narrow = folder + QStringLiteral("/narrow%1.png").arg(channels);
    ASSERT_TRUE(test::WriteBytes(deep, PngBytes(channels, 16)));
    ASSERT_TRUE(test::WriteBytes(narrow, PngBytes(channels, 8)));
    for (bool process : {true, false}) {
      const std::string road = std::to_string(channels) + (process ? " process " : " convert ");
      const QString stem = folder + QStringLiteral("/%1-%2").arg(channels).arg(process);
      for (const auto& [type, extension] :
           {std::pair{7, "png"}, std::pair{10, "tif"}, std::pair{24, "webp"}}) {
        const QString out = stem + '.' + QLatin1String(extension);
        ASSERT_TRUE(Convert(deep, out, type, process)) << road << extension;
        ExpectSamePixels(Read(out), channels, road + extension);
      }
      // JPEG has no alpha: the 16-bit source gives what its 8-bit twin gives.
      const QString fromDeep = stem + "-deep.jpg";
      const QString fromNarrow = stem + "-narrow.jpg";
      ASSERT_TRUE(Convert(deep, fromDeep, 4, process)) << road;
      ASSERT_TRUE(Convert(narrow, fromNarrow, 4, process)) << road;
      const QImage a = Read(fromDeep);
      const QImage b = Read(fromNarrow);
      ASSERT_EQ(a.size(), b.size()) << road;
      // Lossy coding of two inputs a rounding apart differs a little at sharp edges.
      int worst = 0;
      double total = 0;
      for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
          const QRgb p = a.pixel(x, y);
          const QRgb q = b.pixel(x, y);
          for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
            worst = std::max(worst, std::abs(d));
            total += std::abs(d);
          }
        }
      }
      EXPECT_LE(worst, 16) << road << "jpeg";
      EXPECT_LE(total / (3.0 * a.width() * a.height()), 1.5) << road << "jpeg";
    }
  }
}

}  // namespace
}  // namespace glimbrik
