// JPEG 2000 codestreams and JP2 files through the decoder.

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/codecs/jpeg2000.h"
#include "platform/metadata/image_header.h"

namespace {

// Csiz of the first SIZ marker, which is the one OpenJPEG reads; 1 when there is none.
int64_t ComponentCount(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 42 <= size; ++i) {
    if (data[i] == 0xFF && data[i + 1] == 0x51) {
      return std::max(1, data[i + 38] << 8 | data[i + 39]);
    }
  }
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Large declared sizes only measure the fuzzer's memory limit, not the decoder.
  // The probe reads only our own format's header here; other magics would reach Qt's readers.
  if (size >= 8 &&
      ((data[0] == 0xFF && data[1] == 0x4F) || std::memcmp(data + 4, "jP  ", 4) == 0)) {
    const glimbrik::ImageHeaderResult probe = glimbrik::ReadImageHeader(QString(), bytes);
    if (probe && int64_t{probe.header->width} * probe.header->height * ComponentCount(data, size) >
                     16'000'000) {
      return 0;
    }
  }
  QByteArray pixels;
  QByteArray profile;
  int colourCode = 0;
  int components = 0;
  glimbrik::DecodeJPEG2000Data(bytes, &pixels, nullptr, nullptr, &colourCode, &components,
                               &profile);
  return 0;
}
