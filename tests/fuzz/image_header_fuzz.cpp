// The header probe that the image list and the converter run on every file they are given.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/metadata/image_header.h"

namespace {

// Only the formats whose headers we parse ourselves; the rest go to Qt's readers.
bool HasOwnParser(const uint8_t* data, size_t size) {
  auto starts = [&](const char* magic, size_t length, size_t at = 0) {
    return size >= at + length && std::memcmp(data + at, magic, length) == 0;
  };
  return size >= 4 &&
         (starts("\xFF\xD8\xFF", 3) || starts("\x89PNG\r\n\x1a\n", 8) || starts("II*\0", 4) ||
          starts("MM\0*", 4) || (starts("RIFF", 4) && starts("WEBP", 4, 8)) ||
          starts("GIF87a", 6) || starts("GIF89a", 6) || (starts("BM", 2) && size >= 26) ||
          starts("\xFF\x4F", 2) || starts("jP  ", 4, 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!HasOwnParser(data, size)) return 0;
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const glimbrik::ImageHeaderResult result = glimbrik::ReadImageHeader(QString(), bytes);
  if (result && (result.header->width <= 0 || result.header->height <= 0)) __builtin_trap();
  return 0;
}
