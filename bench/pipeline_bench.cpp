// Runs ProcessImageFile over every image of a folder on one fixed road and prints the rate and
// the peak memory. Usage: pipeline_bench <input folder> <output folder> [repeats] [plain]
//
// The road: fit into 1600 x 1600 pixels, sharpen, one text watermark, JPEG at quality 0.8,
// metadata kept; "plain" leaves out the sharpening and the watermark. One image at a time;
// filters use all cores inside it.

#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

#include "engine/convert/conversion_records.h"
#include "engine/watermark/watermark_options.h"

namespace {

glimbrik::TextWatermarkOptions BenchWatermark() {
  glimbrik::TextWatermarkOptions text;
  text.tokens = {QStringLiteral("Glimbrik benchmark")};
  text.font = QFont(QStringLiteral("DejaVu Sans"));
  text.fontSize = 24;
  text.position = 8;
  text.offset = QPointF(10, 10);
  text.baseImageSize = QSizeF(550, 412);
  text.opacity = 0.7;
  text.textColor = Qt::white;
  text.strokeColor = Qt::black;
  text.dropShadow = 1;
  text.shadowColor = QColor(0, 0, 0, 160);
  text.shadowBlur = 2;
  text.shadowXOffset = 1;
  text.shadowYOffset = -1;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <input folder> <output folder> [repeats]\n", argv[0]);
    return 2;
  }
  const QDir input(QString::fromLocal8Bit(argv[1]));
  const QString output = QString::fromLocal8Bit(argv[2]);
  const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
  const bool plain = argc > 4 && QByteArray(argv[4]) == "plain";
  QDir().mkpath(output);
  const QFileInfoList files = input.entryInfoList(QDir::Files, QDir::Name);
  if (files.isEmpty()) {
    std::fprintf(stderr, "no images in %s\n", argv[1]);
    return 2;
  }

  const glimbrik::TextWatermarkOptions watermark = BenchWatermark();
  int converted = 0;
  int failed = 0;
  QElapsedTimer timer;
  timer.start();
  for (int r = 0; r < repeats; ++r) {
    for (const QFileInfo& file : files) {
      glimbrik::ImageConversion conversion;
      conversion.resizeEnabled = 1;
      conversion.resize.keepAspectRatio = 1;
      conversion.resize.resample = 1;
      conversion.resize.sharpen = plain ? 0 : 1;
      conversion.resize.unit = 2;
      conversion.resize.width = 1600;
      conversion.resize.height = 1600;
      conversion.resize.scaleMode = 2;
      conversion.options.outputType = 4;
      conversion.options.quality = 0.8;
      conversion.options.preserveMetadata = 1;
      if (!plain) {
        conversion.textWatermarks = &watermark;
        conversion.textWatermarkCount = 1;
      }
      conversion.sourceURL = file.absoluteFilePath();
      conversion.destinationURL = output + QLatin1Char('/') + file.completeBaseName() + ".jpg";
      const int result = glimbrik::ProcessImageFile(&conversion);
      (result == 1 ? failed : converted)++;
    }
  }
  const double seconds = timer.nsecsElapsed() / 1e9;
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("images %d failed %d seconds %.3f images_per_second %.3f peak_rss_mib %.1f\n",
              converted, failed, seconds, converted / seconds, usage.ru_maxrss / 1024.0);
  return failed == 0 ? 0 : 1;
}
