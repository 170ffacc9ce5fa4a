// The synchronous road a batch run takes, over the real tools.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "image_fixtures.h"
#include "optimise/batch_optimise.h"
#include "optimise/file.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/png_crush_agent.h"
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

TEST_F(BatchRoad, PngCrushKeepsPixelsAndShrinksAnUncompressedPng) {
  const QString path = folder_ + "/out.png";
  const QString reference = folder_ + "/reference.png";
  ASSERT_TRUE(test::WriteUncompressedPng(path));
  ASSERT_TRUE(test::WriteUncompressedPng(reference));
  auto job = std::make_shared<File>(path);
  QVXPngCrushAgent agent(job, 1);
  agent.run();
  EXPECT_TRUE(agent.lastTaskResult().succeeded()) << agent.lastTaskResult().reason.toStdString();
  job->cleanup();
  EXPECT_LT(QFileInfo(path).size(), QFileInfo(reference).size());
  EXPECT_TRUE(test::SamePixels(path, reference));
}

TEST_F(BatchRoad, PngCrushNeverGrowsAnAlreadySmallPng) {
  const QString path = folder_ + "/out.png";
  ASSERT_TRUE(test::TestPicture().save(path, "PNG", 0));
  // Crush once, then again: the second run finds nothing and must not grow the file.
  for (int round = 0; round < 2; ++round) {
    const QByteArray before = test::ReadBytes(path);
    auto job = std::make_shared<File>(path);
    QVXPngCrushAgent(job, 1).run();
    job->cleanup();
    const QByteArray after = test::ReadBytes(path);
    EXPECT_LE(after.size(), before.size());
    if (after != before) {
      const QString previous = folder_ + "/previous.png";
      ASSERT_TRUE(test::WriteBytes(previous, before));
      EXPECT_TRUE(test::SamePixels(path, previous));
      QFile::remove(previous);
    }
  }
}

TEST_F(BatchRoad, JpegOptimKeepsPixelsAndShrinksAPlainJpeg) {
  const QString path = folder_ + "/out.jpg";
  const QString reference = folder_ + "/reference.jpg";
  ASSERT_TRUE(test::WritePlainJpeg(path));
  ASSERT_TRUE(test::WritePlainJpeg(reference));
  for (const bool strip : {false, true}) {
    auto job = std::make_shared<File>(path);
    JPEGOptimAgent agent(job, 100, strip);
    agent.run();
    EXPECT_TRUE(agent.lastTaskResult().succeeded()) << agent.lastTaskResult().reason.toStdString();
    job->cleanup();
    EXPECT_LT(QFileInfo(path).size(), QFileInfo(reference).size());
    EXPECT_TRUE(test::SamePixels(path, reference));
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
