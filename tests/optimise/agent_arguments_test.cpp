// The argument vectors the tools receive, checked through stand-ins found first on PATH.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <functional>

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
    path_ = test::MakeTempFolder() + "/picture.img";
    ASSERT_TRUE(test::WriteBytes(path_, QByteArray(4000, 'x')));
    job_ = std::make_shared<File>(path_);
  }

  // The single recorded vector, with the agent's temporary path replaced by "<temp>" after
  // checking its form.
  static QStringList OnlyInvocation(const test::StandInTools& tools, const QString& className) {
    const QList<QStringList> all = tools.invocations();
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
  EXPECT_EQ(OnlyInvocation(tools_, QStringLiteral("JPEGOptimAgent")),
            (QStringList{"JpegOptim", "-q", "--", kTemp}));
  EXPECT_TRUE(queued.makesNonOptimizingModifications());
}

TEST_F(AgentArguments, EachAgentsVectorAndWhetherItChangesMoreThanTheEncoding) {
  using Make = std::function<std::unique_ptr<Agent>(std::shared_ptr<File>)>;
  const struct {
    const char* tool;
    Make make;
    QStringList expected;
    bool nonOptimising;
  } cases[] = {
      {"pngcrush",
       [](auto job) { return std::make_unique<QVXPngCrushAgent>(job, 1); },
       {"PngCrush", "-try10", "-q", "-reduce", "--", path_, kTemp},
       false},
      {"pngcrush",
       [](auto job) {
         auto crush = std::make_unique<QVXPngCrushAgent>(job);
         crush->setStrip(true);  // removes all ancillary chunks
         return crush;
       },
       {"PngCrush", "-try10", "-rem", "alla", "-q", "-reduce", "--", path_, kTemp},
       true},
      {"optipng",
       [](auto job) { return std::make_unique<OptiPNGAgent>(job); },
       {"OptiPNG", "-i0", "-o6", "-out", kTemp, "--", path_},
       false},
      {"optipng",
       [](auto job) {
         auto asIs = std::make_unique<OptiPNGAgent>(job, 1);
         asIs->setInterlace(-1);  // leaves the interlacing as it is
         asIs->setOptlevel(0);
         return asIs;
       },
       {"OptiPNG", "-o6", "-out", kTemp, "--", path_},
       false},
      {"advpng",
       [](auto job) { return std::make_unique<AdvCompAgent>(job, 1); },
       {"AdvPNG", "-2", "-z", "--", kTemp},
       false},
      {"advpng",
       [](auto job) {
         auto insane = std::make_unique<AdvCompAgent>(job);
         insane->setLevel(0);
         return insane;
       },
       {"AdvPNG", "-4", "-z", "--", kTemp},
       false},
      {"jpegtran",
       [](auto job) { return std::make_unique<JPEGTranAgent>(job, true); },
       {"jpegtran", "-copy", "none", "-optimize", "-outfile", kTemp, path_},
       false},
      {"jpegtran",
       [](auto job) { return std::make_unique<JPEGTranAgent>(job); },
       {"jpegtran", "-copy", "all", "-optimize", "-outfile", kTemp, path_},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected.join(QLatin1Char(' ')).toStdString());
    test::StandInTools tools;
    tools.install(QLatin1String(c.tool));
    const std::unique_ptr<Agent> agent = c.make(job_);
    agent->run();
    EXPECT_EQ(OnlyInvocation(tools, agent->className()), c.expected);
    EXPECT_EQ(agent->makesNonOptimizingModifications(), c.nonOptimising);
  }
}

TEST_F(AgentArguments, GifsicleBothInterlaceChoices) {
  for (const bool interlace : {false, true}) {
    test::StandInTools tools;
    tools.install(QStringLiteral("gifsicle"));
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    agent.run();
    EXPECT_EQ(OnlyInvocation(tools, agent.className()),
              (QStringList{"Gifsicle", "-o", kTemp, interlace ? "--interlace" : "--no-interlace",
                           "-O3", "--careful", "--no-comments", "--no-names", "--same-delay",
                           "--same-loopcount", "--no-warnings", "--", path_}));
  }
}

TEST_F(AgentArguments, RunLowPriorityLowersTheTool) {
  tools_.install(QStringLiteral("jpegtran"));
  const QString niceFile = test::MakeTempFolder() + "/nice.txt";
  tools_.setScript(QStringLiteral("i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do "
                                  "i=$((i+1)); done; nice > '%1'; exit 1")
                       .arg(niceFile));
  SetUserDefault(QStringLiteral("RunLowPriority"), true);
  JPEGTranAgent agent(job_);
  agent.run();
  RemoveUserDefault(QStringLiteral("RunLowPriority"));
  EXPECT_EQ(test::ReadBytes(niceFile).trimmed(), QByteArray("10"));
}

}  // namespace
}  // namespace glimbrik
