#include <gtest/gtest.h>

#include <QBuffer>
#include <limits>
#include <memory>

#include "optimise/adv_comp_agent.h"
#include "optimise/command_agent.h"
#include "optimise/file.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/opti_png_agent.h"
#include "optimise/png_out_agent.h"

namespace glimbrik {
namespace {

class RecordingAgent final : public CommandAgent {
 public:
  RecordingAgent() : CommandAgent(std::make_shared<File>(), "RecordingAgent") {}
  bool parseLine(const QString& line) override {
    lines.append(line);
    return line == QStringLiteral("stop");
  }
  QStringList lines;
};

QStringList Parse(const QByteArray& data) {
  RecordingAgent agent;
  QBuffer buffer;
  buffer.setData(data);
  buffer.open(QIODevice::ReadOnly);
  agent.parseLinesFromHandle(buffer);
  return agent.lines;
}

// The tools' progress lines: how a stream is cut into lines, and what each tool's parser reads
// from its own lines.
TEST(ToolOutput, LinesAreSplitAndEachToolReadsItsSizes) {
  EXPECT_EQ(Parse("one\ntwo\r\nthree"), (QStringList{"one", "two", ""}));  // "three" has no end
  EXPECT_EQ(Parse("a\rb\n"), (QStringList{"a", "b"}));
  EXPECT_EQ(Parse("first\nstop\nnever\n"), (QStringList{"first", "stop"}));
  EXPECT_EQ(Parse(QByteArray("caf\xC3\xA9\n")), QStringList{"café"});
  // A long line is cut at 4095 bytes and the byte where it is cut is dropped.
  EXPECT_EQ(Parse(QByteArray(4095, 'a') + "Xbc\n"), (QStringList{QString(4095, 'a'), "bc"}));

  const auto read = [](const char* key, const char* line) {
    return CommandAgent::readNumberAfter(QLatin1String(key), QLatin1String(line));
  };
  EXPECT_EQ(read("=", "a =  -7x"), -7);
  EXPECT_EQ(read("size", "size=1 size 9"), 0);  // only the first occurrence counts
  EXPECT_EQ(read("missing", "a 5"), 0);
  EXPECT_EQ(read(":", "n: 99999999999999999999999"), std::numeric_limits<qint64>::max());

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
  EXPECT_FALSE(out.parseLine(QStringLiteral("Out:")));
  EXPECT_TRUE(out.parseLine(QStringLiteral("Took 2.5 seconds")));
}

}  // namespace
}  // namespace glimbrik
