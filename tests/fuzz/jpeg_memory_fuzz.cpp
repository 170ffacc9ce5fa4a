// JPEG bytes through the in-memory decoder and its bounds-checked source manager.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/codecs/jpeg_memory.h"
#include "platform/codecs/libjpeg_error.h"

namespace {

// Only plain C calls here: a libjpeg error jumps back into this frame.
int ReadDeclaredSize(jpeg_decompress_struct* cinfo, const uint8_t* data, size_t size) {
  auto* trap = reinterpret_cast<glimbrik::LibjpegErrorTrap*>(cinfo->err);
  if (setjmp(trap->jump)) return 0;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(cinfo, TRUE);
  return 1;
}

// The size libjpeg itself reads from the header; 0 when it reads none.
uint64_t DeclaredPixels(const uint8_t* data, size_t size) {
  glimbrik::LibjpegErrorTrap trap;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = glimbrik::InstallLibjpegErrorTrap(&trap, false);
  const uint64_t pixels =
      ReadDeclaredSize(&cinfo, data, size) ? uint64_t{cinfo.image_width} * cinfo.image_height : 0;
  jpeg_destroy_decompress(&cinfo);
  return pixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Large declared sizes only measure the fuzzer's memory limit, not the decoder.
  if (size == 0 || DeclaredPixels(data, size) > 4'000'000) return 0;
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
