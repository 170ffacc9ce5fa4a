// The synchronous road a batch run takes, over the real tools.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <functional>

#include "image_fixtures.h"
#include "optimise/batch_optimise.h"
#include "platform/folders.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

class BatchRoad : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(QDir(PrivateTempFolder()).entryList(QDir::Files).isEmpty());
    // Nothing but the pictures themselves is left beside them.
    for (const QString& name : QDir(folder_).entryList(QDir::Files | QDir::Hidden)) {
      EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
    }
  }
  QString folder_ = test::MakeTempFolder();
};

// A second run finds nothing more to gain and must not grow the file.
TEST_F(BatchRoad, PngAndJpegShrinkKeepTheirPixelsAndNeverGrow) {
  const struct {
    const char* name;
    bool (*write)(const QString&);
    std::function<void(const QString&)> optimise;
  } cases[] = {
      {"x.png", test::WriteUncompressedPng, [](const QString& p) { OptimisePNGFile(p); }},
      {"x.jpg", test::WritePlainJpeg, [](const QString& p) { OptimiseJPEGFile(p, false); }},
      {"y.jpg", test::WritePlainJpeg, [](const QString& p) { OptimiseJPEGFile(p, true); }},
  };
  for (const auto& c : cases) {
    const QString path = folder_ + "/" + c.name, reference = folder_ + "/reference";
    ASSERT_TRUE(c.write(path) && c.write(reference));
    c.optimise(path);
    const qint64 once = QFileInfo(path).size();
    EXPECT_LT(once, QFileInfo(reference).size()) << c.name;
    c.optimise(path);
    EXPECT_LE(QFileInfo(path).size(), once) << c.name;
    EXPECT_TRUE(test::SamePixels(path, reference)) << c.name;
  }
}

TEST_F(BatchRoad, DamagedFilesAreLeftAsTheyWere) {
  const QString source = folder_ + "/source.png";
  ASSERT_TRUE(test::WriteUncompressedPng(source));
  const QByteArray png = test::ReadBytes(source);
  QFile::remove(source);
  const struct {
    const char* name;
    QByteArray data;
  } cases[] = {
      {"truncated.png", png.left(png.size() / 2)},
      {"garbage.png", QByteArray(5000, 'g')},
      {"garbage.jpg", QByteArray("\xFF\xD8\xFF") + QByteArray(5000, 'g')},
      {"empty.jpg", QByteArray()},
  };
  for (const auto& c : cases) {
    const QString path = folder_ + QLatin1Char('/') + QLatin1String(c.name);
    ASSERT_TRUE(test::WriteBytes(path, c.data));
    // Through the batch run's own entry points.
    if (path.endsWith(QStringLiteral(".png"))) {
      OptimisePNGFile(path);
    } else {
      OptimiseJPEGFile(path, true);
    }
    EXPECT_EQ(test::ReadBytes(path), c.data) << c.name;
  }
}

}  // namespace
}  // namespace glimbrik
