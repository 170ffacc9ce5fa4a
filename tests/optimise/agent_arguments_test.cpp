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
  // The vector with the picture's path as "<in>".
  QStringList Arguments(const char* tool, Agent& agent) const {
    QStringList arguments = Invocation(tool, agent);
    for (QString& argument : arguments)
      if (argument == path_) argument = QStringLiteral("<in>");
    return arguments;
  }

  QString path_;
  std::shared_ptr<File> job_;
};

TEST_F(AgentArguments, EachAgentsVectorAndWhetherItChangesMoreThanTheEncoding) {
  // Vectors as text: "<in>" is the picture's path, "<temp>" the agent's temporary file.
  const struct {
    const char* tool;
    Make make;
    const char* expected;
    bool nonOptimising;
  } cases[] = {
      // jpegoptim passes a maximum quality only strictly between 10 and 100.
      {"jpegoptim", Build<JPEGOptimAgent>(100, false), "JpegOptim -q -- <temp>", false},
      {"jpegoptim", Build<JPEGOptimAgent>(99, false), "JpegOptim -m99 -q -- <temp>", true},
      {"jpegoptim", Build<JPEGOptimAgent>(11, true), "JpegOptim -m11 --strip-all -q -- <temp>",
       true},
      {"jpegoptim", Build<JPEGOptimAgent>(10, false), "JpegOptim -q -- <temp>", true},
      // Made for the queued road, the agent has no maximum quality and so passes no -m.
      {"jpegoptim", Build<JPEGOptimAgent>(), "JpegOptim -q -- <temp>", true},
      {"pngcrush", Build<QVXPngCrushAgent>(1), "PngCrush -try10 -q -reduce -- <in> <temp>", false},
      {"pngcrush",
       [](auto job) {
         auto crush = std::make_unique<QVXPngCrushAgent>(job);
         crush->setStrip(true);  // removes all ancillary chunks
         return crush;
       },
       "PngCrush -try10 -rem alla -q -reduce -- <in> <temp>", true},
      {"optipng", Build<OptiPNGAgent>(), "OptiPNG -i0 -o6 -out <temp> -- <in>", false},
      {"optipng",
       [](auto job) {
         auto asIs = std::make_unique<OptiPNGAgent>(job, 1);
         asIs->setInterlace(-1);  // leaves the interlacing as it is
         asIs->setOptlevel(0);
         return asIs;
       },
       "OptiPNG -o6 -out <temp> -- <in>", false},
      {"advpng", Build<AdvCompAgent>(1), "AdvPNG -2 -z -- <temp>", false},
      {"advpng",
       [](auto job) {
         auto insane = std::make_unique<AdvCompAgent>(job);
         insane->setLevel(0);
         return insane;
       },
       "AdvPNG -4 -z -- <temp>", false},
      {"jpegtran", Build<JPEGTranAgent>(true), "jpegtran -copy none -optimize -outfile <temp> <in>",
       false},
      {"jpegtran", Build<JPEGTranAgent>(), "jpegtran -copy all -optimize -outfile <temp> <in>",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const std::unique_ptr<Agent> agent = c.make(job_);
    EXPECT_EQ(Arguments(c.tool, *agent), QString::fromLatin1(c.expected).split(' '));
    EXPECT_EQ(agent->makesNonOptimizingModifications(), c.nonOptimising);
  }
  for (const bool interlace : {false, true}) {
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    EXPECT_EQ(Arguments("gifsicle", agent),
              QStringLiteral("Gifsicle -o <temp> %1 -O3 --careful --no-comments --no-names "
                             "--same-delay --same-loopcount --no-warnings -- <in>")
                  .arg(interlace ? "--interlace" : "--no-interlace")
                  .split(' '));
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
