#pragma once

// Files of the old formats read without a signature of their own (MacPaint, raw fax, QuickTime
// image), made by the tools that write them or assembled here.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace glimbrik::test {

// A tool's standard output as bytes (these tools write pictures there).
inline QByteArray RunToBytes(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(60000)) {
    ADD_FAILURE() << program.toStdString() << " is missing: scripts/setup.sh installs it";
    return {};
  }
  const bool finished = process.waitForFinished(60000);
  EXPECT_TRUE(finished && process.exitCode() == 0)
      << program.toStdString() << ": " << process.readAllStandardError().toStdString();
  return process.readAllStandardOutput();
}

// A 576 x 720 bitmap with long runs and busy stretches, so that PackBits writes both kinds.
inline QByteArray PaintPbm() {
  QByteArray pbm("P4\n576 720\n");
  for (int y = 0; y < 720; ++y) {
    for (int byte = 0; byte < 72; ++byte) {
      int bits = 0;
      for (int b = 0; b < 8; ++b) {
        const int x = byte * 8 + b;
        const bool black = (x > 100 && x < 300 && y > 50 && y < 400) ||
                           (y > 500 && ((x * 7 + y * 3) % 11 < 4)) || (x - y) % 97 == 0;
        bits = bits << 1 | (black ? 1 : 0);
      }
      pbm.append(char(bits));
    }
  }
  return pbm;
}

inline QByteArray MacBinaryHeader(qsizetype dataLength) {
  QByteArray header(128, '\0');
  const QByteArray name("picture");
  header[1] = char(name.size());
  header.replace(2, name.size(), name);
  header.replace(65, 8, "PNTGMPNT");
  for (int i = 0; i < 4; ++i) header[83 + i] = char(dataLength >> (24 - 8 * i));
  return header;
}

// Black shapes of many widths, so that most run-length codes of both colours occur.
inline QImage FaxPicture() {
  QImage image(420, 150, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const bool black = (x / (1 + y % 37)) % 2 == 0 || (x * x + 3 * y) % 101 < 9;
      image.setPixel(x, y, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  }
  return image;
}

inline void AppendBig(QByteArray* out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->append(char(value >> (8 * i)));
}

inline QByteArray Atom(const char* type, const QByteArray& content) {
  QByteArray atom;
  AppendBig(&atom, uint32_t(content.size() + 8), 4);
  return atom + type + content;
}

// An image description and its data, as QuickTime writes a still picture.
inline QByteArray QuickTimeImage(const char* codec, QSize size, double dpi, int depth,
                                 const QByteArray& data) {
  QByteArray d;
  AppendBig(&d, 86, 4);
  d += codec;
  d += QByteArray(8, '\0');  // reserved, data reference index 0
  AppendBig(&d, 0, 4);       // version, revision
  d += "appl";
  AppendBig(&d, 0, 4);
  AppendBig(&d, 512, 4);  // spatial quality
  AppendBig(&d, uint32_t(size.width()), 2);
  AppendBig(&d, uint32_t(size.height()), 2);
  AppendBig(&d, uint32_t(dpi * 65536), 4);
  AppendBig(&d, uint32_t(dpi * 65536), 4);
  AppendBig(&d, uint32_t(data.size()), 4);
  AppendBig(&d, 1, 2);
  d += QByteArray(32, '\0');
  AppendBig(&d, uint32_t(depth), 2);
  AppendBig(&d, 0xFFFF, 2);
  EXPECT_EQ(d.size(), 86);
  return Atom("idsc", d) + Atom("idat", data);
}

// One file of each old kind with what an independent decoder makes of it.
struct LegacyFile {
  QString label;
  QString path;
  QImage independent;
  QSize size;
  double dpiX = 72.0;
  double dpiY = 72.0;
  int tolerance = 0;  // largest channel difference expected from the independent decoding
};

// A pattern of the given size, stored as JPEG or PNG by ImageMagick (not by our writers).
inline QByteArray ConvertPattern(const QString& folder, const QString& name) {
  const QString path = folder + QLatin1Char('/') + name;
  RunToBytes(QStringLiteral("convert"),
             {QStringLiteral("-size"), QStringLiteral("96x64"), QStringLiteral("gradient:red-blue"),
              QStringLiteral("-quality"), QStringLiteral("92"), path});
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// MacPaint without and with a MacBinary header, a fax page and QuickTime images holding a JPEG
// and a PNG, in folder.
inline std::vector<LegacyFile> MakeLegacyFiles(const QString& folder) {
  std::vector<LegacyFile> files;
  const QString pbm = folder + QStringLiteral("/paint.pbm");
  EXPECT_TRUE(WriteFile(pbm, PaintPbm()));
  const QByteArray paint = RunToBytes(QStringLiteral("pbmtomacp"), {pbm});
  EXPECT_TRUE(WriteFile(folder + QStringLiteral("/paint.pntg"), paint));
  EXPECT_TRUE(
      WriteFile(folder + QStringLiteral("/paint-mb.pntg"), MacBinaryHeader(paint.size()) + paint));
  for (const char* name : {"paint", "paint-mb"}) {
    const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".pntg");
    files.push_back({QString::fromLatin1(name), path,
                     QImage::fromData(RunToBytes(QStringLiteral("macptopbm"), {path}), "PBM"),
                     QSize(576, 720)});
  }

  EXPECT_TRUE(FaxPicture().save(folder + QStringLiteral("/page.png")));
  const QString fax = folder + QStringLiteral("/page.fax");
  RunToBytes(QStringLiteral("convert"), {folder + QStringLiteral("/page.png"), "fax:" + fax});
  // ImageMagick reads a headerless fax 2592 wide; the page is as wide as its coded lines.
  const QImage faxPixels =
      QImage::fromData(RunToBytes(QStringLiteral("convert"), {"fax:" + fax, "pgm:-"}), "PGM")
          .copy(0, 0, 1728, 150);
  files.push_back({QStringLiteral("fax"), fax, faxPixels, QSize(1728, 150), 204.0, 196.0});

  const QByteArray jpeg = ConvertPattern(folder, QStringLiteral("inner.jpg"));
  const QByteArray png = ConvertPattern(folder, QStringLiteral("inner.png"));
  EXPECT_TRUE(WriteFile(folder + QStringLiteral("/jpeg.qtif"),
                        QuickTimeImage("jpeg", QSize(96, 64), 150.0, 24, jpeg)));
  EXPECT_TRUE(WriteFile(folder + QStringLiteral("/png.qtif"),
                        QuickTimeImage("png ", QSize(96, 64), 150.0, 24, png)));
  for (const char* inner : {"jpeg", "png"}) {
    const QString name = QString::fromLatin1(inner);
    const QString innerPath =
        folder + QStringLiteral("/inner.") + (name == QLatin1String("jpeg") ? "jpg" : "png");
    files.push_back(
        {QStringLiteral("qtif-") + name, folder + QLatin1Char('/') + name + ".qtif",
         QImage::fromData(RunToBytes(QStringLiteral("convert"), {innerPath, "ppm:-"}), "PPM"),
         QSize(96, 64), 150.0, 150.0, name == QLatin1String("jpeg") ? 3 : 0});
  }
  return files;
}

}  // namespace glimbrik::test
