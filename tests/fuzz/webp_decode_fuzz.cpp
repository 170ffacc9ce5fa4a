// WebP bytes through the bridge's size query and its decoder (decode only, no file).

#include <cstddef>
#include <cstdint>

#include "engine/codecs/webp_bridge.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int32_t width = 0;
  int32_t height = 0;
  if (glimbrik::GetWebPImageSize(data, size, &width, &height) != 0) return 0;
  // Large canvases only measure the fuzzer's memory limit, not the decoder.
  if (int64_t{width} * height > 4'000'000) return 0;
  glimbrik::DecodeWebPToTIFFFile(data, size, nullptr);
  return 0;
}
