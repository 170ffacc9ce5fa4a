// JPEG loading: a full decode against decoding with DCT scaling to a target at most half the
// source, and the whole road of fitting a 4000 x 3000 photograph into 1000 x 1000.

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "engine/convert/conversion_records.h"
#include "engine/filters/image_resample.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"

namespace {

QImage Photo() {
  QImage image(4000, 3000, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < image.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      line[x] = qRgb((x * 255) / 3999, (y * 255) / 2999, ((x ^ y) * 31) & 255);
    }
  }
  return image;
}

const QByteArray& PhotoJpeg() {
  static const QByteArray bytes = [] {
    glimbrik::DestinationProperties p;
    p.lossyQuality = 0.85;
    return glimbrik::EncodeImage(Photo(), QStringLiteral("public.jpeg"), p).value;
  }();
  return bytes;
}

void DecodeFull(benchmark::State& state) {
  const auto source = glimbrik::ImageSource::FromData(PhotoJpeg());
  for (auto _ : state) {
    QImage image = source->decode(0).value;
    benchmark::DoNotOptimize(image.constBits());
  }
}

void DecodeFullThenResample(benchmark::State& state) {
  const auto source = glimbrik::ImageSource::FromData(PhotoJpeg());
  for (auto _ : state) {
    QImage image = glimbrik::ResampleImage(source->decode(0).value, QSize(1000, 750));
    benchmark::DoNotOptimize(image.constBits());
  }
}

void DecodeScaledThenResample(benchmark::State& state) {
  const auto source = glimbrik::ImageSource::FromData(PhotoJpeg());
  for (auto _ : state) {
    glimbrik::DecodeOptions options;
    options.minimumSize = QSize(1000, 750);
    QImage image = glimbrik::ResampleImage(source->decode(0, options).value, QSize(1000, 750));
    benchmark::DoNotOptimize(image.constBits());
  }
}

void FitIntoBoxEndToEnd(benchmark::State& state) {
  QTemporaryDir folder;
  const QString source = folder.path() + QStringLiteral("/photo.jpg");
  QFile file(source);
  if (!file.open(QIODevice::WriteOnly) || file.write(PhotoJpeg()) != PhotoJpeg().size()) {
    state.SkipWithError("cannot write the source");
    return;
  }
  file.close();
  for (auto _ : state) {
    glimbrik::ImageConversion c;
    c.sourceURL = source;
    c.destinationURL = folder.path() + QStringLiteral("/out.jpg");
    c.options.outputType = 4;
    c.options.quality = 0.8;
    c.resize.keepAspectRatio = 1;
    c.resize.resample = 1;
    c.resize.unit = 2;
    c.resize.width = c.resize.height = 1000;
    c.resize.scaleMode = 2;
    if (glimbrik::ProcessImageFile(&c) != 0) state.SkipWithError("conversion failed");
  }
}

BENCHMARK(DecodeFull)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeFullThenResample)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeScaledThenResample)->Unit(benchmark::kMillisecond);
BENCHMARK(FitIntoBoxEndToEnd)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
