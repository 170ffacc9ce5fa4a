// Any bytes through the image source: format sniffing, every header probe and the decoding of
// every representation (JPEG, PNG, TIFF, GIF, JPEG 2000 and the Qt-read minor formats).

#include <QByteArray>
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>

#include "platform/codecs/image_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Qt's image plugins need an application object.
  static int argc = 1;
  static char name[] = "image_source_fuzz";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto source = glimbrik::ImageSource::FromData(bytes);
  int64_t pixels = 0;
  for (int i = 0; i < source->count(); ++i) {
    const glimbrik::ImageRepresentation& rep = source->representation(i);
    pixels += int64_t{rep.pixelWidth} * rep.pixelHeight;
  }
  // Large declared sizes only measure the fuzzer's memory limit, not the decoders.
  if (pixels > 4'000'000) return 0;
  for (int i = 0; i < source->count() && i < 16; ++i) {
    const glimbrik::ImageResult<QImage> image = source->decode(i, {QSize(8, 8)});
    if (image.ok() && !image.value.isNull()) {
      volatile uchar last = image.value.constBits()[image.value.sizeInBytes() - 1];
      (void)last;
    }
  }
  return 0;
}
