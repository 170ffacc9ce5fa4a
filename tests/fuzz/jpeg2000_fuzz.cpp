// JPEG 2000 codestreams and JP2 files through the decoder.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/jpeg2000.h"
#include "platform/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Large declared sizes only measure the fuzzer's memory limit, not the decoder.
  // The probe reads only our own format's header here; other magics would reach Qt's readers.
  if (size >= 8 &&
      ((data[0] == 0xFF && data[1] == 0x4F) || std::memcmp(data + 4, "jP  ", 4) == 0)) {
    const glimbrik::ImageHeaderResult probe = glimbrik::ReadImageHeader(QString(), bytes);
    if (probe && int64_t{probe.header->width} * probe.header->height > 4'000'000) return 0;
  }
  QByteArray pixels;
  QByteArray profile;
  int colourCode = 0;
  int components = 0;
  glimbrik::DecodeJPEG2000Data(bytes, &pixels, nullptr, nullptr, &colourCode, &components,
                               &profile);
  return 0;
}
