// A 24-megapixel camera raw file developed into a 1600-pixel JPEG through the whole engine road,
// against developing the same file at half size alone (what dcraw_emu -h does).

#include <benchmark/benchmark.h>

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "../tests/support/camera_fixtures.h"
#include "engine/convert/conversion_records.h"
#include "platform/codecs/image_source.h"

namespace {

const QString& RawFile() {
  static QTemporaryDir folder;
  static const QString path = [] {
    glimbrik::test::DngOptions options;
    options.width = 6000;
    options.height = 4000;
    options.scene = [](int x, int y) {
      const double n = ((x * 7919 + y * 104729) % 1000) / 10000.0;  // a little sensor noise
      return glimbrik::test::LinearRgb{0.1 + 0.6 * x / 6000 + n, 0.3 + n,
                                       0.05 + 0.7 * y / 4000 + n};
    };
    const QString file = folder.path() + QStringLiteral("/big.dng");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) out.write(glimbrik::test::MakeDng(options));
    return file;
  }();
  return path;
}

void RawToJpeg1600(benchmark::State& state) {
  QTemporaryDir out;
  for (auto _ : state) {
    glimbrik::ImageConversion c;
    c.sourceURL = RawFile();
    c.destinationURL = out.path() + QStringLiteral("/big.jpg");
    c.options.outputType = 4;
    c.options.quality = 0.85;
    c.resizeEnabled = 1;
    c.resize.keepAspectRatio = 1;
    c.resize.resample = 1;
    c.resize.unit = 2;
    c.resize.scaleMode = 2;
    c.resize.width = c.resize.height = 1600;
    if (glimbrik::ProcessImageFile(&c) != 0) state.SkipWithError("conversion failed");
  }
}

void DevelopHalfSizeOnly(benchmark::State& state) {
  for (auto _ : state) {
    const auto source = glimbrik::ImageSource::Open(RawFile());
    glimbrik::DecodeOptions options;
    options.exactSize = QSize(1600, 1067);
    QImage image = source->decode(0, options).value;
    benchmark::DoNotOptimize(image.constBits());
  }
}

BENCHMARK(RawToJpeg1600)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(DevelopHalfSizeOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
