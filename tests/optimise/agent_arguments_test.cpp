// The argument vectors the tools receive, checked through stand-ins found first on PATH.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "image_fixtures.h"
#include "optimise/adv_comp_agent.h"
#include "optimise/file.h"
#include "optimise/gifsicle_agent.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/opti_png_agent.h"
#include "optimise/png_crush_agent.h"
#include "platform/folders.h"
#include "platform/user_defaults.h"
#include "stand_in_tool.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr char kTemp[] = "<temp>";

class AgentArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = test::MakeTempFolder() + QStringLiteral("/picture.img");
    ASSERT_TRUE(test::WriteFile(path_, QByteArray(4000, 'x')));
    job_ = std::make_shared<File>(path_);
  }

  // The single recorded vector, with the agent's temporary path replaced by "<temp>" after
  // checking its form.
  QStringList OnlyInvocation(const QString& className) {
    const QList<QStringList> all = tools_.invocations();
    EXPECT_EQ(all.size(), 1);
    if (all.isEmpty()) return {};
    const QRegularExpression tempName(QStringLiteral("^") +
                                      QRegularExpression::escape(PrivateTempFolder()) +
                                      QStringLiteral("/Glimbrik\\.") + className +
                                      QStringLiteral("\\.[0-9a-f]+\\.[0-9a-f]+\\.temp$"));
    QStringList arguments = all.first();
    for (QString& argument : arguments) {
      if (tempName.match(argument).hasMatch()) {
        EXPECT_FALSE(QFile::exists(argument)) << "temporary file left behind";
        argument = QLatin1String(kTemp);
      }
    }
    return arguments;
  }

  test::StandInTools tools_;
  QString path_;
  std::shared_ptr<File> job_;
};

TEST_F(AgentArguments, JpegOptimQualityAndStripChooseTheOptions) {
  tools_.install(QStringLiteral("jpegoptim"));
  const struct {
    qint64 quality;
    bool strip;
    QStringList expected;
  } cases[] = {
      {100, false, {"JpegOptim", "-q", "--", kTemp}},
      {85, true, {"JpegOptim", "-m85", "--strip-all", "-q", "--", kTemp}},
      {10, true, {"JpegOptim", "--strip-all", "-q", "--", kTemp}},
      {99, false, {"JpegOptim", "-m99", "-q", "--", kTemp}},
      {11, false, {"JpegOptim", "-m11", "-q", "--", kTemp}},
  };
  for (const auto& c : cases) {
    test::StandInTools fresh;
    fresh.install(QStringLiteral("jpegoptim"));
    JPEGOptimAgent agent(job_, c.quality, c.strip);
    agent.run();
    const QList<QStringList> all = fresh.invocations();
    ASSERT_EQ(all.size(), 1);
    QStringList got = all.first();
    got.last() = QLatin1String(kTemp);
    EXPECT_EQ(got, c.expected) << "quality " << c.quality;
    EXPECT_EQ(agent.makesNonOptimizingModifications(), c.quality < 100);
  }
  // Made for the queued road, the agent has no maximum quality and so passes no -m.
  JPEGOptimAgent queued(job_);
  queued.run();
  EXPECT_EQ(OnlyInvocation(QStringLiteral("JPEGOptimAgent")),
            (QStringList{"JpegOptim", "-q", "--", kTemp}));
  EXPECT_TRUE(queued.makesNonOptimizingModifications());
}

TEST_F(AgentArguments, PngCrushForTheBatchRun) {
  tools_.install(QStringLiteral("pngcrush"));

  QVXPngCrushAgent crush(job_, 1);
  crush.run();
  EXPECT_EQ(OnlyInvocation(QStringLiteral("QVXPngCrushAgent")),
            (QStringList{"PngCrush", "-try10", "-q", "-reduce", "--", path_, kTemp}));
  EXPECT_FALSE(crush.makesNonOptimizingModifications());
}

TEST_F(AgentArguments, PngCrushStripRemovesAllAncillaryChunks) {
  tools_.install(QStringLiteral("pngcrush"));
  QVXPngCrushAgent crush(job_);
  crush.setStrip(true);
  crush.run();
  EXPECT_EQ(
      OnlyInvocation(QStringLiteral("QVXPngCrushAgent")),
      (QStringList{"PngCrush", "-try10", "-rem", "alla", "-q", "-reduce", "--", path_, kTemp}));
  EXPECT_TRUE(crush.makesNonOptimizingModifications());
}

TEST_F(AgentArguments, OptiPngDefaultsAndLeftAloneInterlace) {
  tools_.install(QStringLiteral("optipng"));
  OptiPNGAgent plain(job_);
  plain.run();
  EXPECT_EQ(OnlyInvocation(QStringLiteral("OptiPNGAgent")),
            (QStringList{"OptiPNG", "-i0", "-o6", "-out", kTemp, "--", path_}));

  test::StandInTools fresh;
  fresh.install(QStringLiteral("optipng"));
  OptiPNGAgent asIs(job_, 1);
  asIs.setInterlace(-1);
  asIs.setOptlevel(0);
  asIs.run();
  ASSERT_EQ(fresh.invocations().size(), 1);
  QStringList got = fresh.invocations().first();
  EXPECT_EQ(got.mid(0, 3), (QStringList{"OptiPNG", "-o6", "-out"}));
  EXPECT_EQ(got.mid(4), (QStringList{"--", path_}));
}

TEST_F(AgentArguments, AdvPngLevels) {
  tools_.install(QStringLiteral("advpng"));
  AdvCompAgent agent(job_, 1);
  agent.run();
  EXPECT_EQ(OnlyInvocation(QStringLiteral("AdvCompAgent")),
            (QStringList{"AdvPNG", "-2", "-z", "--", kTemp}));

  test::StandInTools fresh;
  fresh.install(QStringLiteral("advpng"));
  AdvCompAgent insane(job_);
  insane.setLevel(0);
  insane.run();
  ASSERT_EQ(fresh.invocations().size(), 1);
  EXPECT_EQ(fresh.invocations().first().value(1), QStringLiteral("-4"));
}

TEST_F(AgentArguments, GifsicleBothInterlaceChoices) {
  tools_.install(QStringLiteral("gifsicle"));
  for (const bool interlace : {false, true}) {
    test::StandInTools fresh;
    fresh.install(QStringLiteral("gifsicle"));
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    agent.run();
    ASSERT_EQ(fresh.invocations().size(), 1);
    QStringList got = fresh.invocations().first();
    got[2] = QLatin1String(kTemp);
    EXPECT_EQ(got,
              (QStringList{"Gifsicle", "-o", kTemp, interlace ? "--interlace" : "--no-interlace",
                           "-O3", "--careful", "--no-comments", "--no-names", "--same-delay",
                           "--same-loopcount", "--no-warnings", "--", path_}));
  }
}

TEST_F(AgentArguments, JpegTranCopiesAllOrNoMetadata) {
  tools_.install(QStringLiteral("jpegtran"));
  JPEGTranAgent strip(job_, true);
  strip.run();
  EXPECT_EQ(OnlyInvocation(QStringLiteral("JPEGTranAgent")),
            (QStringList{"jpegtran", "-copy", "none", "-optimize", "-outfile", kTemp, path_}));

  test::StandInTools fresh;
  fresh.install(QStringLiteral("jpegtran"));
  JPEGTranAgent keep(job_);
  keep.run();
  ASSERT_EQ(fresh.invocations().size(), 1);
  EXPECT_EQ(fresh.invocations().first().value(2), QStringLiteral("all"));
}

TEST_F(AgentArguments, RunLowPriorityLowersTheTool) {
  tools_.install(QStringLiteral("jpegtran"));
  const QString niceFile = test::MakeTempFolder() + QStringLiteral("/nice.txt");
  tools_.setScript(QStringLiteral("i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do "
                                  "i=$((i+1)); done; nice > '%1'; exit 1")
                       .arg(niceFile));
  SetUserDefault(QStringLiteral("RunLowPriority"), true);
  JPEGTranAgent agent(job_);
  agent.run();
  RemoveUserDefault(QStringLiteral("RunLowPriority"));
  EXPECT_EQ(test::ReadFile(niceFile).trimmed(), QByteArray("10"));
}

}  // namespace
}  // namespace glimbrik
