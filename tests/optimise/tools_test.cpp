// What the tools are given and what the agents make of what they leave, with stand-in tools.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

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

using Make = std::function<std::unique_ptr<Agent>(std::shared_ptr<File>)>;

template <class A, class... Args>
Make Build(Args... args) {
  return [=](std::shared_ptr<File> job) { return std::make_unique<A>(job, args...); };
}

// A shell snippet that writes n bytes of 'r' to the tool's last argument.
QString WriteToLast(int bytes) {
  return QStringLiteral("for a; do l=$a; done; head -c %1 /dev/zero | tr '\\0' r > \"$l\"; ")
      .arg(bytes);
}

class AgentResults : public ::testing::Test {
 protected:
  void TearDown() override {
    // Every agent removes its temporary files, whatever became of the run, and nothing but the
    // file itself is left in its folder.
    job_->cleanup();
    EXPECT_TRUE(QDir(PrivateTempFolder())
                    .entryList(QDir::Files)
                    .filter(QStringLiteral("Glimbrik."))
                    .isEmpty());
    for (const QString& name : QDir(folder_).entryList(QDir::Files | QDir::Hidden))
      EXPECT_TRUE(name.startsWith(QStringLiteral("picture.img"))) << name.toStdString();
  }

  // The vector the agent's tool got, with the picture and the temporary file as placeholders.
  QStringList Arguments(Agent& agent) {
    const qsizetype before = tools_.invocations().size();
    agent.run();
    const QList<QStringList> all = tools_.invocations();
    EXPECT_EQ(all.size(), before + 1);
    return all.isEmpty() ? QStringList() : test::WithPlaceholders(all.last(), path_);
  }

  test::StandInTools tools_;
  QString folder_ = test::MakeTempFolder();
  QString path_ = folder_ + "/picture.img";
  QByteArray original_ = QByteArray(1000, 'o');
  std::shared_ptr<File> job_ =
      test::WriteBytes(path_, original_) ? std::make_shared<File>(path_) : nullptr;
};
using AgentArguments = AgentResults;

// The batch road's agents; the queued road's are held by
// QueuedRoad.EachToolRunsWhenItsOwnOptionAloneIsOn.
TEST_F(AgentArguments, EachAgentsVectorAndWhetherItChangesMoreThanTheEncoding) {
  tools_.install({"jpegoptim", "pngcrush"});
  const struct {
    Make make;
    const char* expected;
    bool nonOptimising;
  } cases[] = {
      // jpegoptim passes a maximum quality only strictly between 10 and 100.
      {Build<JPEGOptimAgent>(100, false), "JpegOptim -q -- <temp>", false},
      {Build<JPEGOptimAgent>(99, false), "JpegOptim -m99 -q -- <temp>", true},
      {Build<JPEGOptimAgent>(11, true), "JpegOptim -m11 --strip-all -q -- <temp>", true},
      {Build<JPEGOptimAgent>(10, false), "JpegOptim -q -- <temp>", true},
      {Build<JPEGOptimAgent>(100, true), "JpegOptim --strip-all -q -- <temp>", false},
      {Build<QVXPngCrushAgent>(1), "PngCrush -try10 -q -reduce -- <in> <temp>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const std::unique_ptr<Agent> agent = c.make(job_);
    EXPECT_EQ(Arguments(*agent), QString::fromLatin1(c.expected).split(' '));
    EXPECT_EQ(agent->makesNonOptimizingModifications(), c.nonOptimising);
  }
}

TEST_F(AgentArguments, RunLowPriorityLowersTheTool) {
  tools_.install({"jpegtran"});
  const QString niceFile = test::MakeTempFolder() + "/nice.txt";
  tools_.setScript(QStringLiteral("i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do "
                                  "i=$((i+1)); done; nice > '%1'; exit 1")
                       .arg(niceFile));
  SetUserDefault(QStringLiteral("RunLowPriority"), true);
  JPEGTranAgent(job_).run();
  RemoveUserDefault(QStringLiteral("RunLowPriority"));
  EXPECT_EQ(test::ReadBytes(niceFile).trimmed(), QByteArray("10"));
}

TEST_F(AgentResults, OnlyASmallerResultOfAToolThatSucceededReplacesTheFile) {
  tools_.install({"jpegtran", "jpegoptim", "pngcrush"});
  const QString toOut = QStringLiteral("head -c %1 /dev/zero | tr '\\0' r > \"$5\"; ");
  struct Case {
    Make make;
    QString script;
    QByteArray expected;
  };
  QList<Case> cases;
  for (const char* ending : {"exit 1", "exit 2", "kill -KILL $$", "kill -SEGV $$"}) {
    cases.append({Build<JPEGTranAgent>(), toOut.arg(10) + ending, original_});
    cases.append({Build<JPEGOptimAgent>(100, false), WriteToLast(10) + ending, original_});
  }
  cases.append({Build<JPEGTranAgent>(), toOut.arg(1000), original_});
  cases.append({Build<JPEGTranAgent>(), toOut.arg(1500), original_});
  cases.append({Build<QVXPngCrushAgent>(1), WriteToLast(70), original_});  // below 71 bytes
  cases.append({Build<JPEGTranAgent>(), toOut.arg(400), QByteArray(400, 'r')});
  cases.append({Build<QVXPngCrushAgent>(1), WriteToLast(71), QByteArray(71, 'r')});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script.toStdString());
    tools_.setScript(c.script);
    c.make(job_)->run();
    EXPECT_EQ(test::ReadBytes(path_), c.expected);
  }
  EXPECT_EQ(job_->byteSizeOptimized(), 71u);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("PngCrush"));
}

// PngOut, which is looked for beside the application, switches itself off.
TEST_F(AgentResults, AMissingToolOrACancelledAgentLeavesTheFileAndSaysWhy) {
  tools_.hideRealTools();
  JPEGOptimAgent agent(job_, 100, true);
  agent.run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_EQ(job_->statusOrder(), 8);
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("JpegOptim"));
  EXPECT_EQ(agent.lastTaskResult().status(), 127);

  SetUserDefault(QStringLiteral("PngOutEnabled"), true);
  SetUserDefault(QStringLiteral("PngOutLevel"), 1);
  PNGOutAgent pngOut(job_);
  EXPECT_EQ(pngOut.arguments(), (QStringList{"-k1", "-s2", "-r", "-v", path_, "-"}));
  pngOut.run();
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PngOutEnabled")));
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("PngOut"));
  SetUserDefault(QStringLiteral("PngOutLevel"), 3);
  SetUserDefault(QStringLiteral("PngOutRemoveChunks"), true);
  PNGOutAgent stripping(job_);
  EXPECT_EQ(stripping.arguments(), (QStringList{"-r", "-v", path_, "-"}));
  EXPECT_TRUE(stripping.makesNonOptimizingModifications());
  RemoveUserDefault(QStringLiteral("PngOutLevel"));
  RemoveUserDefault(QStringLiteral("PngOutRemoveChunks"));

  tools_.install({"jpegoptim"});
  tools_.setScript(WriteToLast(100));
  auto job = std::make_shared<File>(path_);
  JPEGOptimAgent cancelled(job, 100, false);
  cancelled.cancel();
  cancelled.run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_TRUE(tools_.invocations().isEmpty());
  EXPECT_TRUE(job->statusText().isEmpty());
}

TEST_F(AgentResults, AReplacedFileStaysBehindItsLinkAndKeepsItsPermissionsOnlyWhenAsked) {
  tools_.install({"jpegoptim"});
  const QString link = folder_ + "/picture.img.link";
  ASSERT_TRUE(QFile::link(path_, link));
  const mode_t oldMask = ::umask(022);
  for (const bool preserve : {false, true}) {
    ASSERT_TRUE(
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    SetUserDefault(QStringLiteral("PreservePermissions"), preserve);
    tools_.setScript(WriteToLast(preserve ? 50 : 100));
    JPEGOptimAgent(std::make_shared<File>(link), 100, false).run();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::ReadBytes(path_).size(), preserve ? 50 : 100);
    EXPECT_EQ(QFileInfo(path_).permissions() & 0x0777,
              QFile::Permissions(preserve ? 0x0640 : 0x0644));
  }
  RemoveUserDefault(QStringLiteral("PreservePermissions"));
  ::umask(oldMask);
}

// Only a strictly smaller result of at least 31 bytes replaces the best, and the old best is
// deleted.
TEST_F(AgentResults, GifsicleOffersItsResultAndTheJobKeepsOnlyASmallerOne) {
  tools_.install({"gifsicle"});
  const auto offer = [&](int size, bool interlace) {
    tools_.setScript(QStringLiteral("head -c %1 /dev/zero > \"$2\"").arg(size));
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    agent.run();
    return job_->filePathOptimized();
  };
  EXPECT_TRUE(offer(2000, false).isEmpty());
  const QString kept = offer(600, true);
  ASSERT_FALSE(kept.isEmpty());
  EXPECT_EQ(offer(600, false), kept);
  EXPECT_EQ(offer(30, false), kept);
  EXPECT_EQ(File::fileByteSize(kept), 600u);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("Gifsicle interlaced"));
  EXPECT_EQ(File::fileByteSize(offer(500, false)), 500u);
  EXPECT_FALSE(QFile::exists(kept));
  EXPECT_EQ(test::ReadBytes(path_), original_);  // the job saves it, not the agent
  job_->cleanup();
  EXPECT_TRUE(job_->filePath().isEmpty());
}

}  // namespace
}  // namespace glimbrik
