// Reading the tools' output lines.
#include <gtest/gtest.h>

#include <QBuffer>

#include "optimise/adv_comp_agent.h"
#include "optimise/file.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/opti_png_agent.h"
#include "optimise/png_out_agent.h"

namespace glimbrik {
namespace {

class RecordingAgent final : public CommandAgent {
 public:
  explicit RecordingAgent(std::shared_ptr<File> file)
      : CommandAgent(std::move(file), "RecordingAgent") {}
  bool parseLine(const QString& line) override {
    lines.append(line);
    return line == QStringLiteral("stop");
  }
  QStringList lines;
};

QStringList Parse(const QByteArray& data) {
  RecordingAgent agent(std::make_shared<File>());
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  agent.parseLinesFromHandle(buffer);
  return agent.lines;
}

TEST(OutputLines, SplittingRules) {
  EXPECT_EQ(Parse("one\ntwo\r\nthree"), (QStringList{"one", "two", ""}));  // "three" has no end
  EXPECT_EQ(Parse("a\rb\n"), (QStringList{"a", "b"}));
  EXPECT_EQ(Parse("first\nstop\nnever\n"), (QStringList{"first", "stop"}));
  EXPECT_EQ(Parse(QByteArray("caf\xC3\xA9\n")), QStringList{"café"});
  EXPECT_TRUE(Parse("").isEmpty());
}

TEST(OutputLines, LongLineIsCutAt4095BytesAndTheCuttingByteDropped) {
  QByteArray data(4095, 'a');
  data += 'X';  // dropped where the line is cut
  data += "bc\n";
  const QStringList lines = Parse(data);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], QString(4095, QLatin1Char('a')));
  EXPECT_EQ(lines[1], QStringLiteral("bc"));
}

TEST(OutputLines, ReadNumberAfter) {
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral("= "), QStringLiteral("size = 123 bytes")),
            123);
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral("="), QStringLiteral("a =  -7x")), -7);
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral("size"), QStringLiteral("size=1 size 9")),
            0);
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral("missing"), QStringLiteral("a 5")), 0);
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral("end"), QStringLiteral("the end")), 0);
  EXPECT_EQ(CommandAgent::readNumberAfter(QStringLiteral(":"),
                                          QStringLiteral("n: 99999999999999999999999")),
            std::numeric_limits<qint64>::max());
}

TEST(OutputLines, ToolParsers) {
  auto job = std::make_shared<File>();
  AdvCompAgent adv(job);
  EXPECT_TRUE(adv.parseLine(QStringLiteral("         600         410  68% x.temp")));
  EXPECT_EQ(job->byteSize(), 600u);
  EXPECT_EQ(adv.fileSizeOptimized(), 410);
  EXPECT_FALSE(adv.parseLine(QStringLiteral("x.temp (Unsupported bit depth)")));

  auto jpegJob = std::make_shared<File>();
  JPEGOptimAgent optim(jpegJob);
  EXPECT_FALSE(optim.parseLine(QStringLiteral("x.jpg 100x100 24bit N JFIF  [OK] skipped.")));
  EXPECT_TRUE(optim.parseLine(
      QStringLiteral("x.jpg 100x100 24bit N JFIF  [OK] 7100 --> 3509 bytes (50.58%), optimized.")));
  EXPECT_EQ(jpegJob->byteSize(), 7100u);
  EXPECT_EQ(optim.fileSizeOptimized(), 3509);

  JPEGTranAgent tran(job);
  EXPECT_FALSE(tran.parseLine(QStringLiteral("Start of Image")));
  EXPECT_TRUE(tran.parseLine(QStringLiteral("  End Of Image")));

  auto pngJob = std::make_shared<File>();
  OptiPNGAgent opti(pngJob);
  EXPECT_FALSE(opti.parseLine(QStringLiteral("Input file size = 465 bytes")));
  EXPECT_EQ(opti.fileSize(), 465u);
  EXPECT_EQ(pngJob->byteSize(), 465u);
  EXPECT_FALSE(opti.parseLine(QStringLiteral("Output file size = 4")));  // 20 characters
  EXPECT_TRUE(
      opti.parseLine(QStringLiteral("Output file size = 415 bytes (50 bytes = 10.75% decrease)")));
  EXPECT_EQ(opti.fileSizeOptimized(), 415u);

  auto outJob = std::make_shared<File>();
  PNGOutAgent out(outJob);
  EXPECT_FALSE(out.parseLine(QStringLiteral(" In:   12345 bytes")));
  EXPECT_EQ(outJob->byteSize(), 12345u);
  EXPECT_FALSE(out.parseLine(QStringLiteral("Out:    1000 bytes")));
  EXPECT_EQ(out.fileSizeOptimized(), 1000);
  EXPECT_FALSE(out.parseLine(QStringLiteral(" 5% done")));
  EXPECT_FALSE(out.parseLine(QStringLiteral("Out:")));
  EXPECT_TRUE(out.parseLine(QStringLiteral("Took 2.5 seconds")));
}

TEST(ExternalTask, PreparedProcessGetsItsPathAsArgv0) {
  RecordingAgent agent(std::make_shared<File>());
  EXPECT_FALSE(agent.hasTask());
  EXPECT_EQ(agent.launchTask(), 127);
  agent.taskWithPath(QStringLiteral("/bin/sh"), {"-c", "printf %s \"$0\"; exit 3"});
  EXPECT_TRUE(agent.hasTask());
  EXPECT_EQ(agent.launchTask(), 3);
  EXPECT_EQ(agent.lastTaskResult().standardOutput, QByteArray("/bin/sh"));
}

}  // namespace
}  // namespace glimbrik
