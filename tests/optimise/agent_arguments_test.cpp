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
using Make = std::function<std::unique_ptr<Agent>(std::shared_ptr<File>)>;

template <class A, class... Args>
Make Build(Args... args) {
  return [=](std::shared_ptr<File> job) { return std::make_unique<A>(job, args...); };
}

class AgentArguments : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = test::MakeTempFolder() + "/picture.img";
    ASSERT_TRUE(test::WriteBytes(path_, QByteArray(4000, 'x')));
    job_ = std::make_shared<File>(path_);
  }

  // Runs the agent under a fresh stand-in for tool and returns the single recorded vector, with
  // the agent's temporary path replaced by "<temp>" after checking its form and that it is gone.
  static QStringList Invocation(const char* tool, Agent& agent) {
    test::StandInTools tools;
    tools.install(QLatin1String(tool));
    agent.run();
    const QList<QStringList> all = tools.invocations();
    EXPECT_EQ(all.size(), 1);
    if (all.isEmpty()) return {};
    const QRegularExpression tempName(QStringLiteral("^") +
                                      QRegularExpression::escape(PrivateTempFolder()) +
                                      QStringLiteral("/Glimbrik\\.") + agent.className() +
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

  QString path_;
  std::shared_ptr<File> job_;
};

TEST_F(AgentArguments, EachAgentsVectorAndWhetherItChangesMoreThanTheEncoding) {
  const struct {
    const char* tool;
    Make make;
    QStringList expected;
    bool nonOptimising;
  } cases[] = {
      // jpegoptim passes a maximum quality only strictly between 10 and 100.
      {"jpegoptim", Build<JPEGOptimAgent>(100, false), {"JpegOptim", "-q", "--", kTemp}, false},
      {"jpegoptim",
       Build<JPEGOptimAgent>(99, false),
       {"JpegOptim", "-m99", "-q", "--", kTemp},
       true},
      {"jpegoptim",
       Build<JPEGOptimAgent>(11, true),
       {"JpegOptim", "-m11", "--strip-all", "-q", "--", kTemp},
       true},
      {"jpegoptim", Build<JPEGOptimAgent>(10, false), {"JpegOptim", "-q", "--", kTemp}, true},
      // Made for the queued road, the agent has no maximum quality and so passes no -m.
      {"jpegoptim", Build<JPEGOptimAgent>(), {"JpegOptim", "-q", "--", kTemp}, true},
      {"pngcrush",
       Build<QVXPngCrushAgent>(1),
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
       Build<OptiPNGAgent>(),
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
      {"advpng", Build<AdvCompAgent>(1), {"AdvPNG", "-2", "-z", "--", kTemp}, false},
      {"advpng",
       [](auto job) {
         auto insane = std::make_unique<AdvCompAgent>(job);
         insane->setLevel(0);
         return insane;
       },
       {"AdvPNG", "-4", "-z", "--", kTemp},
       false},
      {"jpegtran",
       Build<JPEGTranAgent>(true),
       {"jpegtran", "-copy", "none", "-optimize", "-outfile", kTemp, path_},
       false},
      {"jpegtran",
       Build<JPEGTranAgent>(),
       {"jpegtran", "-copy", "all", "-optimize", "-outfile", kTemp, path_},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected.join(QLatin1Char(' ')).toStdString());
    const std::unique_ptr<Agent> agent = c.make(job_);
    EXPECT_EQ(Invocation(c.tool, *agent), c.expected);
    EXPECT_EQ(agent->makesNonOptimizingModifications(), c.nonOptimising);
  }
  for (const bool interlace : {false, true}) {
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    EXPECT_EQ(Invocation("gifsicle", agent),
              (QStringList{"Gifsicle", "-o", kTemp, interlace ? "--interlace" : "--no-interlace",
                           "-O3", "--careful", "--no-comments", "--no-names", "--same-delay",
                           "--same-loopcount", "--no-warnings", "--", path_}));
  }
}

TEST_F(AgentArguments, RunLowPriorityLowersTheTool) {
  test::StandInTools tools;
  tools.install(QStringLiteral("jpegtran"));
  const QString niceFile = test::MakeTempFolder() + "/nice.txt";
  tools.setScript(QStringLiteral("i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do "
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
