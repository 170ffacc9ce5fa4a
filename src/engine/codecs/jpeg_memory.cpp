#include "engine/codecs/jpeg_memory.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/codecs/codec_jpeg_common.h"
#include "platform/codecs/libjpeg_error.h"
#include "platform/metadata/image_header.h"

// After jpeglib.h (through libjpeg_error.h), which it needs.
#include <jerror.h>

namespace glimbrik {
namespace {

// ---- Encoding ----------------------------------------------------------------------------

// A growing malloc'ed destination. libjpeg's own memory destination frees buffers behind the
// caller's back when it grows, which leaves a dangling pointer after an error exit.
struct GrowingDestination {
  jpeg_destination_mgr manager;
  JOCTET* buffer;
  size_t capacity;
  size_t used;
};

void GrowingDestinationInit(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<GrowingDestination*>(cinfo->dest);
  dest->manager.next_output_byte = dest->buffer;
  dest->manager.free_in_buffer = dest->capacity;
}

boolean GrowingDestinationEmpty(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<GrowingDestination*>(cinfo->dest);
  const size_t grown = dest->capacity * 2;
  auto* bigger = static_cast<JOCTET*>(std::realloc(dest->buffer, grown));
  if (!bigger) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
  dest->buffer = bigger;
  dest->manager.next_output_byte = bigger + dest->capacity;
  dest->manager.free_in_buffer = grown - dest->capacity;
  dest->capacity = grown;
  return TRUE;
}

void GrowingDestinationTerm(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<GrowingDestination*>(cinfo->dest);
  dest->used = dest->capacity - dest->manager.free_in_buffer;
}

struct EncodeJob {
  uint32_t width;
  uint32_t height;
  const uint8_t* pixels;
  int colourSpace;
  int components;
  int quality;
  UINT16 densityX;
  UINT16 densityY;
  JSAMPLE* invertedRow;  // scratch row for CMYK, else null
};

// Only plain C calls here: a libjpeg error jumps back into this frame.
int CompressToDestination(jpeg_compress_struct* cinfo, GrowingDestination* dest,
                          const EncodeJob* job) {
  auto* trap = reinterpret_cast<LibjpegErrorTrap*>(cinfo->err);
  if (setjmp(trap->jump)) return 0;
  jpeg_create_compress(cinfo);
  cinfo->dest = &dest->manager;
  cinfo->image_width = job->width;
  cinfo->image_height = job->height;
  cinfo->input_components = job->components;
  cinfo->in_color_space = static_cast<J_COLOR_SPACE>(job->colourSpace);
  jpeg_set_defaults(cinfo);
  cinfo->write_JFIF_header = TRUE;
  cinfo->density_unit = 1;
  cinfo->X_density = job->densityX;
  cinfo->Y_density = job->densityY;
  jpeg_set_quality(cinfo, job->quality, TRUE);
  jpeg_start_compress(cinfo, TRUE);
  const size_t stride = static_cast<size_t>(job->components) * job->width;
  while (cinfo->next_scanline < cinfo->image_height) {
    const uint8_t* source = job->pixels + stride * cinfo->next_scanline;
    JSAMPROW row = const_cast<JSAMPROW>(source);
    if (job->invertedRow) {
      for (size_t i = 0; i < stride; ++i)
        job->invertedRow[i] = static_cast<JSAMPLE>(255 - source[i]);
      row = job->invertedRow;
    }
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  return 1;
}

UINT16 DensityFromDpi(double dpi) {
  if (!std::isfinite(dpi) || dpi < 0) return 0;
  return static_cast<UINT16>(std::min(dpi, 65535.0));
}

int ComponentsOfColourSpace(int colourSpace) {
  switch (colourSpace) {
    case kJPEGColourSpaceGray:
      return 1;
    case kJPEGColourSpaceRGB:
      return 3;
    case kJPEGColourSpaceCMYK:
      return 4;
    default:
      return 0;
  }
}

// ---- Decoding ----------------------------------------------------------------------------

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void MemorySourceInit(j_decompress_ptr) {}

// Called only when the data ran out: a cut-short file reads as if it ended there.
boolean MemorySourceFill(j_decompress_ptr cinfo) {
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

// A marker length past the end of the data is the end of the data.
void MemorySourceSkip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  if (static_cast<unsigned long>(count) > src->bytes_in_buffer) {
    src->next_input_byte += src->bytes_in_buffer;
    src->bytes_in_buffer = 0;
    return;
  }
  src->next_input_byte += count;
  src->bytes_in_buffer -= static_cast<size_t>(count);
}

void MemorySourceTerm(j_decompress_ptr) {}

struct DecodeOutcome {
  int colourCode;
  uint8_t* pixels;
  size_t pixelBytes;
  uint32_t width;
  uint32_t height;
  int densityUnit;
  double dpiX;
  double dpiY;
};

// Only plain C calls here: a libjpeg error jumps back into this frame. The pixel buffer lives in
// the outcome record so that the caller frees it after a jump.
int DecompressFromSource(jpeg_decompress_struct* cinfo, jpeg_source_mgr* source,
                         DecodeOutcome* out) {
  auto* trap = reinterpret_cast<LibjpegErrorTrap*>(cinfo->err);
  if (setjmp(trap->jump)) return 0;
  jpeg_create_decompress(cinfo);
  cinfo->src = source;
  jpeg_read_header(cinfo, TRUE);
  if (!IsImageSizeAllowed(cinfo->image_width, cinfo->image_height) ||
      codec::JpegFrameExceedsData(*cinfo, source->bytes_in_buffer)) {
    return 0;
  }
  jpeg_start_decompress(cinfo);
  switch (cinfo->output_components) {
    case 4:
      out->colourCode = kJPEGColourCodeCMYK;
      break;
    case 3:
      out->colourCode = kJPEGColourCodeRGB;
      break;
    case 1:
      out->colourCode = kJPEGColourCodeGray;
      break;
    default:
      return 0;
  }
  out->densityUnit = cinfo->density_unit;
  if (cinfo->density_unit == 2) {
    out->dpiX = static_cast<double>(static_cast<float>(cinfo->X_density) * 254.0f / 100.0f);
    out->dpiY = static_cast<double>(static_cast<float>(cinfo->Y_density) * 254.0f / 100.0f);
  } else if (cinfo->density_unit == 1) {
    out->dpiX = cinfo->X_density;
    out->dpiY = cinfo->Y_density;
  }
  const size_t stride = static_cast<size_t>(cinfo->output_components) * cinfo->output_width;
  out->pixelBytes = stride * cinfo->output_height;
  out->pixels = static_cast<uint8_t*>(std::malloc(out->pixelBytes));
  if (!out->pixels) return 0;
  out->width = cinfo->output_width;
  out->height = cinfo->output_height;
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row = out->pixels + stride * cinfo->output_scanline;
    jpeg_read_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_decompress(cinfo);
  return 1;
}

}  // namespace

bool EncodeJPEGToMemory(uint32_t width, uint32_t height, const uint8_t* pixels, int colourSpace,
                        int components, uint8_t** buffer, unsigned long* size, int quality,
                        double dpiX, double dpiY) {
  if (!buffer || !size) return false;
  *buffer = nullptr;
  *size = 0;
  if (!pixels || width == 0 || height == 0 || width > JPEG_MAX_DIMENSION ||
      height > JPEG_MAX_DIMENSION || components != ComponentsOfColourSpace(colourSpace)) {
    return false;
  }
  std::vector<JSAMPLE> invertedRow;
  if (colourSpace == kJPEGColourSpaceCMYK) invertedRow.resize(size_t{4} * width);

  GrowingDestination dest{};
  dest.capacity = 64 * 1024;
  dest.buffer = static_cast<JOCTET*>(std::malloc(dest.capacity));
  if (!dest.buffer) return false;
  dest.manager.init_destination = GrowingDestinationInit;
  dest.manager.empty_output_buffer = GrowingDestinationEmpty;
  dest.manager.term_destination = GrowingDestinationTerm;

  const EncodeJob job{width,
                      height,
                      pixels,
                      colourSpace,
                      components,
                      std::clamp(quality, 0, 100),
                      DensityFromDpi(dpiX),
                      DensityFromDpi(dpiY),
                      invertedRow.empty() ? nullptr : invertedRow.data()};
  LibjpegErrorTrap trap;
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = InstallLibjpegErrorTrap(&trap, true);
  const int ok = CompressToDestination(&cinfo, &dest, &job);
  jpeg_destroy_compress(&cinfo);
  if (!ok || dest.used == 0) {
    std::free(dest.buffer);
    return false;
  }
  *buffer = dest.buffer;
  *size = dest.used;
  return true;
}

int DecodeJPEGFromMemory(const uint8_t* data, size_t size, int* colourCode, void* /*unused*/,
                         uint8_t** pixels, size_t* pixelBytes, uint32_t* width, uint32_t* height,
                         double* dpiX, double* dpiY) {
  if (pixels) *pixels = nullptr;
  if (!data || size == 0 || !colourCode || !pixels || !pixelBytes || !width || !height) return 1;

  jpeg_source_mgr source{};
  source.next_input_byte = data;
  source.bytes_in_buffer = size;
  source.init_source = MemorySourceInit;
  source.fill_input_buffer = MemorySourceFill;
  source.skip_input_data = MemorySourceSkip;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = MemorySourceTerm;

  DecodeOutcome out{};
  LibjpegErrorTrap trap;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = InstallLibjpegErrorTrap(&trap, true);
  const int ok = DecompressFromSource(&cinfo, &source, &out);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) {
    std::free(out.pixels);
    return 1;
  }
  *colourCode = out.colourCode;
  *pixels = out.pixels;
  *pixelBytes = out.pixelBytes;
  *width = out.width;
  *height = out.height;
  if (out.densityUnit == 1 || out.densityUnit == 2) {
    if (dpiX) *dpiX = out.dpiX;
    if (dpiY) *dpiY = out.dpiY;
  }
  return 0;
}

}  // namespace glimbrik
