#pragma once

// Test images made in the test, and the independent tools that check our output.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik::test {

// A PNG of the given header fields and extra chunks. Rows, each led by its filter byte, become
// its pixels; without them it is a header for probes that read no pixels.
inline QByteArray PngBytes(uint32_t width, uint32_t height, int depth, int colourType,
                           const QByteArray& chunks = {}, const QByteArray& rows = {}) {
  QByteArray header;
  AppendBig32(header, width);
  AppendBig32(header, height);
  header.append(char(depth)).append(char(colourType)).append(3, '\0');
  const QByteArray pixels = rows.isEmpty() ? QByteArray() : PngChunk("IDAT", Deflated(rows));
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + chunks + pixels +
         PngChunk("IEND", {});
}

// PNGs damaged the ways the PNG test suite's invalid files are, each with its name: a header or
// data chunk whose checksum is wrong, a missing header, data or end chunk, a file cut short and
// signatures with a flipped bit, a wrong letter or line ends a text-mode copy changed.
inline std::vector<std::pair<QString, QByteArray>> DamagedPngs() {
  QByteArray rows;
  for (int y = 0; y < 16; ++y) rows += QByteArray(1, '\0') + QByteArray(16, char(y * 16));
  const QByteArray good = PngBytes(16, 16, 8, 0, {}, rows);
  const qsizetype data = good.indexOf("IDAT") - 4;  // the data chunk's length field
  const qsizetype end = good.size() - 12;           // the end chunk
  const auto flipped = [&](qsizetype at) {
    QByteArray bytes = good;
    bytes[at] = char(bytes[at] ^ 0x01);
    return bytes;
  };
  QByteArray crlf = good;
  crlf.replace("\n", "\r\n");
  return {{"crc-header.png", flipped(8 + 8 + 13)},
          {"crc-data.png", flipped(end - 1)},
          {"no-header.png", good.left(8) + good.mid(data)},
          {"no-data.png", good.left(data) + good.mid(end)},
          {"no-end.png", good.left(end)},
          {"cut.png", good.left(data + 20)},
          {"signature-bit.png", QByteArray(1, '\x09') + good.mid(1)},
          {"signature-letter.png", good.left(1) + "Q" + good.mid(2)},
          {"signature-line-ends.png", crlf}};
}

// Left half one colour, right half another: edges that survive resampling predictably.
inline QImage TwoColourImage(int w, int h, QColor left, QColor right) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = (x < w / 2 ? left : right).rgba();
  }
  return image;
}

// A smooth, non-symmetric pattern, so that misplaced pixels show.
inline QImage PatternImage(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < h; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      line[x] = qRgb((x * 255) / std::max(1, w - 1), (y * 255) / std::max(1, h - 1),
                     (x * 7 + y * 3) & 255);
    }
  }
  return image;
}

// Runs a tool and returns its standard output; empty with ok false when it did not run cleanly.
inline QString RunTool(const QString& program, const QStringList& arguments, bool* ok = nullptr) {
  QProcess process;
  process.start(program, arguments);
  // A missing tool is a broken set-up: say which one, whatever the caller checks.
  if (!process.waitForStarted(60000)) {
    ADD_FAILURE() << program.toStdString() << " is missing: scripts/setup.sh installs it";
  }
  const bool finished = process.waitForFinished(60000);
  const bool good =
      finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  if (ok) *ok = good;
  return good ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

// "W H" as ImageMagick's identify reads the first image of a file.
inline QString IdentifySize(const QString& path) {
  return RunTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h\n"),
                                              path + QStringLiteral("[0]")})
      .trimmed();
}

}  // namespace glimbrik::test
