// A batch run over generated 24-megapixel JPEGs through the application's own road: resize into
// 1600 x 1600, a text watermark, JPEG output and JPEG optimisation. Prints images per second and
// the peak resident memory of the run.
//
//   batch_run_bench [count=100] [megapixels=24] [folder to keep the outputs in]
//
// Environment: BENCH_INPUT=<folder> converts the files found there instead of generated ones;
// BENCH_PLAIN=1 leaves out the watermark and the optimiser (fit 1600, JPEG 80, metadata kept);
// BENCH_WORKERS=<n> sets how many files convert at once (default: one per core).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_run.h"
#include "engine/watermark/watermark_options.h"

namespace glimbrik {
namespace {

class QuietHost : public BatchRunHost {
 public:
  bool ConfirmPNGOptimizationNote() override { return true; }
  void ShowInvalidSizeAlert(SizeField, const QString&) override {}
  void ShowInvalidResolutionAlert(int64_t) override {}
  void PreviewWindowClose() override {}
  void BeginProgressSheet(int64_t) override {}
  void ChangeProgressStatus(int, int64_t, int64_t, const QString&) override {}
  void EndProgressSheet() override {}
  void AlertOnSuccessConversion(const QString&, long, int64_t) override {}
};

uchar Channel(int value) { return static_cast<uchar>(std::clamp(value, 0, 255)); }

// A photo-like picture: smooth gradients with fine noise, so that the JPEG is of a realistic size.
QImage MakePicture(int width, int height, int seed) {
  QImage image(width, height, QImage::Format_RGB888);
  QRandomGenerator random(seed);
  for (int y = 0; y < height; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(random.bounded(24));
      row[3 * x] = Channel(x * 200 / width + noise + seed * 10);
      row[3 * x + 1] = Channel(y * 200 / height + noise);
      row[3 * x + 2] = Channel((x + y) * 127 / (width + height) + 64 + noise);
    }
  }
  return image;
}

// Writes the inputs in a child process, so that its memory does not count in the run's peak.
bool GenerateInputs(const QString& folder, int count, int width, int height) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    constexpr int kDistinct = 4;
    QStringList originals;
    for (int i = 0; i < kDistinct && i < count; ++i) {
      originals << QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QChar(u'0')));
      if (!MakePicture(width, height, i).save(originals.back(), "JPEG", 90)) _exit(1);
    }
    for (int i = kDistinct; i < count; ++i) {
      const QString path =
          QDir(folder).filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QChar(u'0')));
      if (!QFile::copy(originals[i % kDistinct], path)) _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long PeakResidentKiB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace
}  // namespace glimbrik

int main(int argc, char** argv) {
  using namespace glimbrik;
  const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100;
  const double megapixels = argc > 2 ? std::max(1.0, atof(argv[2])) : 24.0;
  const int width = static_cast<int>(std::lround(std::sqrt(megapixels * 1e6 * 1.5)));
  const int height = static_cast<int>(std::lround(megapixels * 1e6 / width));

  QTemporaryDir temp;
  const QString sources = temp.filePath(QStringLiteral("in"));
  const QString destination =
      argc > 3 ? QString::fromLocal8Bit(argv[3]) : temp.filePath(QStringLiteral("out"));
  const QString given = qEnvironmentVariable("BENCH_INPUT");
  const bool plain = qEnvironmentVariableIntValue("BENCH_PLAIN") != 0;
  const int workers = qEnvironmentVariableIntValue("BENCH_WORKERS");
  QDir().mkpath(sources);
  QDir().mkpath(destination);
  if (given.isEmpty()) std::printf("generating %d JPEGs of %d x %d ...\n", count, width, height);
  if (given.isEmpty() && !GenerateInputs(sources, count, width, height)) {
    std::fprintf(stderr, "could not write the inputs\n");
    return 1;
  }

  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long baseline = PeakResidentKiB();

  BatchSnapshot snapshot;
  BatchOptions& o = snapshot.options;
  o.outputType = 4;
  o.quality = 0.8;
  o.preserveMetadata = true;
  o.resizeOn = true;
  o.scaleMode = 2;
  o.unit = 2;
  o.widthText = QStringLiteral("1600");
  o.heightText = QStringLiteral("1600");
  o.optimizationOn = !plain;
  o.optimizationTag = 1;
  o.maintainDirectory = false;
  o.doNotShowAlert = true;
  std::shared_ptr<TextWatermarkOptions[]> watermark(new TextWatermarkOptions[1]);
  watermark[0].fontSize = 28;
  watermark[0].opacity = 0.8;
  watermark[0].position = 6;
  watermark[0].offset = QPointF(10, 10);
  watermark[0].tokens = {QStringLiteral("\u00a9 Glimbrik bench")};
  watermark[0].font = QFont(QStringLiteral("DejaVu Sans"));
  watermark[0].textColor = Qt::white;
  watermark[0].strokeColor = Qt::black;
  watermark[0].shadowColor = QColor(0, 0, 0, 160);
  watermark[0].dropShadow = 1;
  watermark[0].shadowBlur = 4;
  o.textWatermarkOn = !plain;
  o.textWatermarks = watermark;
  o.textWatermarkCount = 1;
  const QDir inputs(given.isEmpty() ? sources : given);
  for (const QString& name : inputs.entryList(QDir::Files, QDir::Name)) {
    BatchEntry entry;
    entry.filePath = inputs.filePath(name);
    snapshot.entries.push_back(entry);
  }

  QuietHost host;
  std::atomic<bool> cancelled{false};
  QElapsedTimer timer;
  timer.start();
  const BatchRunResult run =
      ConvertImageThread(snapshot, destination, host, cancelled, DefaultBatchEngine(snapshot),
                         BatchParallelism{workers, 0});
  const double seconds = timer.nsecsElapsed() / 1e9;

  std::printf("files: %lld written, %lld failed (status %ld)\n",
              static_cast<long long>(run.written), static_cast<long long>(run.failed),
              run.finalStatus);
  std::printf("time: %.2f s, %.2f images per second\n", seconds, run.written / seconds);
  std::printf("peak resident memory: %.1f MiB (%.1f MiB before the run)\n",
              PeakResidentKiB() / 1024.0, baseline / 1024.0);
  std::printf("workers at once: %d\n", run.peakWorkers);
  return run.failed == 0 && run.written == int64_t(snapshot.entries.size()) ? 0 : 1;
}
