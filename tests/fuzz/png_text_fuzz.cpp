// PNG chunk streams through the text-chunk walker and its bounded inflater, and the token
// expansion that reads them.

#include <QByteArray>
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "engine/tokens/token_string.h"
#include "platform/metadata/metadata_read_png.h"
#include "platform/store/folders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QString path = glimbrik::NewTemporaryPath(QStringLiteral("png"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
  // The walker only looks at files with the PNG signature, so every input gets one.
  file.write("\x89PNG\r\n\x1a\n", 8);
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  file.close();
  for (const glimbrik::PngTextChunk& chunk : glimbrik::ReadPngTextChunks(path)) {
    if (chunk.keyword.isEmpty()) __builtin_trap();
  }
  const glimbrik::TokenArray tokens{
      glimbrik::QVXWatermarkTextToken(QStringLiteral("D"), 3, QStringLiteral("yyyy")),
      glimbrik::QVXWatermarkTextToken(QStringLiteral("C"), 16)};
  (void)glimbrik::BuildTokenString(path, tokens, QString(), 0, 1, 1, 1);
  return 0;
}
