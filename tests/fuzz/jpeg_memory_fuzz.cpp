// JPEG bytes through the in-memory decoder and its bounds-checked source manager.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/jpeg_memory.h"
#include "platform/image_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Large declared sizes only measure the fuzzer's memory limit, not the decoder.
  // The probe reads only our own format's header here; other magics would reach Qt's readers.
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8) {
    const glimbrik::ImageHeaderResult probe = glimbrik::ReadImageHeader(QString(), bytes);
    if (probe && int64_t{probe.header->width} * probe.header->height > 4'000'000) return 0;
  }
  int colourCode = 0;
  uint8_t* pixels = nullptr;
  size_t pixelBytes = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  double dpiX = 72;
  double dpiY = 72;
  if (glimbrik::DecodeJPEGFromMemory(data, size, &colourCode, nullptr, &pixels, &pixelBytes, &width,
                                     &height, &dpiX, &dpiY) == 0) {
    // Touch the last byte so that a short buffer shows up under AddressSanitizer.
    if (pixelBytes != size_t{width} * height * (colourCode == 2 ? 3 : colourCode)) std::abort();
    volatile uint8_t last = pixels[pixelBytes - 1];
    (void)last;
  }
  std::free(pixels);
  return 0;
}
