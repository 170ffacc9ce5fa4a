#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include "platform/codecs/image_source.h"
#include "platform/metadata/metadata_write.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// Noise, large enough to be mapped: a PNG (with a text chunk) or a JPEG.
QString WriteLargeNoise(const char* format) {
  const bool png = qstrcmp(format, "png") == 0;
  QImage noise(png ? QSize(3200, 2800) : QSize(5800, 4400), QImage::Format_ARGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < noise.height(); ++y) {
    auto* row = reinterpret_cast<quint32*>(noise.scanLine(y));
    for (int x = 0; x < noise.width(); ++x) row[x] = random.generate() | 0x80000000u;
  }
  noise.setText(QStringLiteral("Title"), QStringLiteral("Noise"));
  const QString path = test::MakeTempFolder() + "/noise." + format;
  EXPECT_TRUE(noise.save(path, format, 100));
  EXPECT_GT(QFile(path).size(), 32 * 1024 * 1024) << "large enough to be mapped";
  return path;
}

// A large file is read through a map whose pages are given back as the decoder passes them; the
// pixels and metadata must be those of the same bytes read into memory.
TEST(ImageSourceMap, ALargeFileDecodesAsItsBytesDo) {
  for (const char* format : {"png", "jpg"}) {
    SCOPED_TRACE(format);
    const QString path = WriteLargeNoise(format);
    const auto inMemory = ImageSource::FromData(test::ReadBytes(path));
    const auto mapped = ImageSource::Open(path);
    ASSERT_TRUE(mapped->isValid()) << mapped->error().toStdString();
    ASSERT_EQ(mapped->data().size(), inMemory->data().size());

    DecodeOptions reduce;
    reduce.exactSize = QSize(640, 480);
    for (const DecodeOptions& options : {DecodeOptions{}, reduce}) {
      const ImageResult<QImage> a = mapped->decode(0, options);
      const ImageResult<QImage> b = inMemory->decode(0, options);
      ASSERT_TRUE(a.ok() && b.ok()) << a.error.toStdString() << b.error.toStdString();
      EXPECT_EQ(a.value, b.value);
    }
    EXPECT_EQ(mapped->data(), inMemory->data()) << "the map still reads after its pages went";
    const MetadataBlocks fromFile = mapped->metadata();
    EXPECT_EQ(fromFile.exif, inMemory->metadata().exif);
    EXPECT_EQ(fromFile.texts, inMemory->metadata().texts);
    if (qstrcmp(format, "png") == 0) {
      EXPECT_EQ(fromFile.texts.size(), 1u) << "read from the file, not the given-back map";
    }
  }
}

// Another program truncating a mapped file during its conversion fails that file with a reason;
// the process lives on and the next file converts.
TEST(ImageSourceMap, AFileTruncatedWhileReadFailsAlone) {
  const QString path = WriteLargeNoise("png");
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  ASSERT_TRUE(QFile::resize(path, QFile(path).size() / 3));
  DecodeOptions reduce;
  reduce.exactSize = QSize(640, 560);
  const ImageResult<QImage> cut = source->decode(0, reduce);
  EXPECT_FALSE(cut.ok());
  EXPECT_EQ(cut.error, QStringLiteral("the file changed while it was read"));
  EXPECT_FALSE(source->decode(0).ok()) << "the source stays failed";

  QImage small(64, 48, QImage::Format_RGB32);
  small.fill(0xff336699);
  const QString next = test::MakeTempFolder() + "/next.png";
  ASSERT_TRUE(small.save(next));
  const ImageResult<QImage> after = ImageSource::Open(next)->decode(0);
  ASSERT_TRUE(after.ok()) << after.error.toStdString();
  EXPECT_EQ(after.value.pixel(63, 47), 0xff336699);
}

// Under a reuse guard a file goes into the buffer of the last one, but never while an earlier
// source still reads from it.
TEST(ImageSourceMap, AReusedReadBufferNeverChangesASourceStillHeld) {
  const QString folder = test::MakeTempFolder();
  const auto write = [&](const QString& name, int width, QRgb colour) {
    QImage image(width, 40, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = folder + "/" + name;
    EXPECT_TRUE(image.save(path));
    return std::make_pair(path, test::ReadBytes(path));
  };
  const auto [bigPath, bigBytes] = write(QStringLiteral("big.png"), 3000, 0xff102030);
  const auto [smallPath, smallBytes] = write(QStringLiteral("small.bmp"), 50, 0xffa0b0c0);

  const ScopedReadBufferReuse reuse;
  auto big = ImageSource::Open(bigPath);
  auto small = ImageSource::Open(smallPath);
  ASSERT_TRUE(big->isValid() && small->isValid());
  EXPECT_EQ(big->data(), bigBytes) << "the first file kept its bytes";
  EXPECT_EQ(small->data(), smallBytes);
  EXPECT_EQ(big->decode(0).value.pixel(2999, 39), 0xff102030);

  const char* freed = small->data().constData();
  big.reset();
  small.reset();
  const auto again = ImageSource::Open(bigPath);
  EXPECT_EQ(again->data().constData(), freed) << "a free buffer is read into again";
  EXPECT_EQ(again->data(), bigBytes);
  EXPECT_EQ(again->decode(0).value.pixel(0, 0), 0xff102030);
}

}  // namespace
}  // namespace glimbrik
