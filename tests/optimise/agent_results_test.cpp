// What the agents do with what their tool leaves behind, with stand-in tools.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "image_fixtures.h"
#include "optimise/file.h"
#include "optimise/gifsicle_agent.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/png_crush_agent.h"
#include "optimise/png_out_agent.h"
#include "platform/folders.h"
#include "platform/localization.h"
#include "platform/user_defaults.h"
#include "stand_in_tool.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// A shell snippet that writes n bytes to the tool's last argument.
QString WriteToLast(int bytes) {
  return QStringLiteral(
             "for a; do last=$a; done; head -c %1 /dev/zero | tr '\\0' 'r' > \"$last\"; ")
      .arg(bytes);
}

class AgentResults : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder();
    path_ = folder_ + "/picture.img";
    original_ = QByteArray(1000, 'o');
    ASSERT_TRUE(test::WriteBytes(path_, original_));
    job_ = std::make_shared<File>(path_);
  }
  void TearDown() override {
    // Every agent removes its temporary files, whatever became of the run.
    job_->cleanup();
    EXPECT_TRUE(QDir(PrivateTempFolder())
                    .entryList(QDir::Files)
                    .filter(QStringLiteral("Glimbrik."))
                    .isEmpty());
    // And nothing but the file itself (and a backup where asked) is left in its folder.
    const QStringList left = QDir(folder_).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : left)
      EXPECT_TRUE(name.startsWith(QStringLiteral("picture.img"))) << name.toStdString();
  }

  test::StandInTools tools_;
  QString folder_;
  QString path_;
  QByteArray original_;
  std::shared_ptr<File> job_;
};

TEST_F(AgentResults, SmallerResultReplacesTheFileAndLargerOrEqualDoesNot) {
  tools_.install(QStringLiteral("jpegtran"));
  for (const int size : {1000, 1500}) {
    tools_.setScript(QStringLiteral("out=$5; head -c %1 /dev/zero > \"$out\"").arg(size));
    JPEGTranAgent(job_).run();
    EXPECT_EQ(test::ReadBytes(path_), original_) << size;
  }
  tools_.setScript(QStringLiteral("out=$5; head -c 400 /dev/zero > \"$out\""));
  JPEGTranAgent(job_).run();
  EXPECT_EQ(test::ReadBytes(path_), QByteArray(400, '\0'));
  EXPECT_EQ(job_->byteSizeOptimized(), 400u);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("jpegtran"));
}

TEST_F(AgentResults, FailedOrKilledToolLeavesTheFileAsItWas) {
  tools_.install(QStringLiteral("jpegtran"));
  tools_.install(QStringLiteral("jpegoptim"));
  for (const char* ending : {"exit 1", "exit 2", "kill -KILL $$", "kill -SEGV $$"}) {
    tools_.setScript(QStringLiteral("head -c 10 /dev/zero > \"$5\"; ") + QLatin1String(ending));
    JPEGTranAgent(job_).run();
    EXPECT_EQ(test::ReadBytes(path_), original_) << ending;
    tools_.setScript(WriteToLast(10) + QLatin1String(ending));
    JPEGOptimAgent(job_, 100, false).run();
    EXPECT_EQ(test::ReadBytes(path_), original_) << ending;
  }
}

TEST_F(AgentResults, MissingToolLeavesTheFileAndSaysWhy) {
  tools_.hideRealTools();
  JPEGOptimAgent agent(job_, 100, true);
  agent.run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_EQ(job_->statusOrder(), 8);
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("JpegOptim"));
  EXPECT_EQ(agent.lastTaskResult().status(), 127);
}

TEST_F(AgentResults, PngCrushResultBelowSeventyOneBytesIsRefused) {
  tools_.install(QStringLiteral("pngcrush"));
  tools_.setScript(WriteToLast(70));
  QVXPngCrushAgent(job_, 1).run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  tools_.setScript(WriteToLast(71));
  QVXPngCrushAgent(job_, 1).run();
  EXPECT_EQ(test::ReadBytes(path_), QByteArray(71, 'r'));
}

TEST_F(AgentResults, CancelledAgentLeavesTheFile) {
  tools_.install(QStringLiteral("jpegoptim"));
  tools_.setScript(WriteToLast(100));
  JPEGOptimAgent agent(job_, 100, false);
  agent.cancel();
  agent.run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_TRUE(tools_.invocations().isEmpty());
  EXPECT_TRUE(job_->statusText().isEmpty());
}

TEST_F(AgentResults, PermissionsAreCopiedOnlyWhenAsked) {
  tools_.install(QStringLiteral("jpegoptim"));
  tools_.setScript(WriteToLast(100));
  const mode_t oldMask = ::umask(022);
  ASSERT_TRUE(
      QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
  JPEGOptimAgent(job_, 100, false).run();
  EXPECT_EQ(QFileInfo(path_).permissions() & 0x0777, QFile::Permissions(0x0644));

  ASSERT_TRUE(
      QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
  SetUserDefault(QStringLiteral("PreservePermissions"), true);
  tools_.setScript(WriteToLast(50));
  JPEGOptimAgent(job_, 100, false).run();
  RemoveUserDefault(QStringLiteral("PreservePermissions"));
  ::umask(oldMask);
  EXPECT_EQ(test::ReadBytes(path_).size(), 50);
  EXPECT_EQ(QFileInfo(path_).permissions() & 0x0777, QFile::Permissions(0x0640));
}

TEST_F(AgentResults, SymbolicLinkKeepsPointingAtTheReplacedFile) {
  tools_.install(QStringLiteral("jpegoptim"));
  tools_.setScript(WriteToLast(100));
  const QString link = folder_ + "/picture.img.link";
  ASSERT_TRUE(QFile::link(path_, link));
  JPEGOptimAgent(std::make_shared<File>(link), 100, false).run();
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(test::ReadBytes(path_).size(), 100);
}

TEST_F(AgentResults, GifsicleOffersItsResultAndTheJobKeepsOnlyASmallerOne) {
  tools_.install(QStringLiteral("gifsicle"));
  tools_.setScript(QStringLiteral("head -c 2000 /dev/zero > \"$2\""));
  GifsicleAgent(job_).run();
  EXPECT_TRUE(job_->filePathOptimized().isEmpty());

  tools_.setScript(QStringLiteral("head -c 600 /dev/zero > \"$2\""));
  GifsicleAgent interlaced(job_);
  interlaced.setInterlace(true);
  interlaced.run();
  const QString kept = job_->filePathOptimized();
  ASSERT_FALSE(kept.isEmpty());
  EXPECT_EQ(File::fileByteSize(kept), 600u);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("Gifsicle interlaced"));
  EXPECT_EQ(test::ReadBytes(path_), original_);  // the job saves it, not the agent
}

TEST_F(AgentResults, PngOutWithoutItsExecutableSwitchesItselfOff) {
  SetUserDefault(QStringLiteral("PngOutEnabled"), true);
  SetUserDefault(QStringLiteral("PngOutLevel"), 1);
  PNGOutAgent agent(job_);
  EXPECT_EQ(agent.arguments(), (QStringList{"-k1", "-s2", "-r", "-v", path_, "-"}));
  agent.run();
  EXPECT_FALSE(agent.hasTask());
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PngOutEnabled")));
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("PngOut"));
  EXPECT_EQ(test::ReadBytes(path_), original_);

  SetUserDefault(QStringLiteral("PngOutLevel"), 3);
  SetUserDefault(QStringLiteral("PngOutRemoveChunks"), true);
  PNGOutAgent stripping(job_);
  EXPECT_EQ(stripping.arguments(), (QStringList{"-r", "-v", path_, "-"}));
  EXPECT_TRUE(stripping.makesNonOptimizingModifications());
  RemoveUserDefault(QStringLiteral("PngOutLevel"));
  RemoveUserDefault(QStringLiteral("PngOutRemoveChunks"));
}

}  // namespace
}  // namespace glimbrik
