// JPEG input of the WebP encoder, with its EXIF, XMP and ICC profile segments.

#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/codecs/webp_internal.h"
#include "platform/codecs/libjpeg_error.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {
namespace {

constexpr int kAPP1 = JPEG_APP0 + 1;
constexpr int kAPP2 = JPEG_APP0 + 2;
constexpr char kExifSignature[] = "Exif\0";  // with its terminator: "Exif", 0, 0
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // with its terminator
constexpr char kIccSignature[] = "ICC_PROFILE";                   // with its terminator
constexpr size_t kIccHeaderSize = sizeof kIccSignature + 2;       // then sequence and count

struct JpegReadJob {
  int cmykInverted;  // the CMYK samples are stored inverted (Adobe)
  int cmyk;
  uint32_t width;
  uint32_t height;
  uint8_t* rgb;  // malloc'ed, width x height x 3; freed by the caller
  uint8_t* row;  // malloc'ed scratch row for CMYK; freed by the caller
};

// Only plain C calls here: a libjpeg error jumps back into this frame. The saved markers live
// until decompression finishes, so metadata is taken between this step and the next.
int ReadJpegHeader(jpeg_decompress_struct* cinfo, FILE* file) {
  auto* trap = reinterpret_cast<LibjpegErrorTrap*>(cinfo->err);
  if (setjmp(trap->jump)) return 0;
  jpeg_create_decompress(cinfo);
  jpeg_stdio_src(cinfo, file);
  jpeg_save_markers(cinfo, kAPP1, 0xFFFF);
  jpeg_save_markers(cinfo, kAPP2, 0xFFFF);
  jpeg_read_header(cinfo, TRUE);
  return IsImageSizeAllowed(cinfo->image_width, cinfo->image_height) ? 1 : 0;
}

// Only plain C calls here: a libjpeg error jumps back into this frame.
int ReadJpegPixels(jpeg_decompress_struct* cinfo, JpegReadJob* job) {
  auto* trap = reinterpret_cast<LibjpegErrorTrap*>(cinfo->err);
  if (setjmp(trap->jump)) return 0;
  job->cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  job->cmykInverted = job->cmyk && cinfo->saw_Adobe_marker;
  cinfo->out_color_space = job->cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  job->width = cinfo->output_width;
  job->height = cinfo->output_height;
  const size_t rgbStride = size_t{3} * job->width;
  job->rgb = static_cast<uint8_t*>(std::malloc(rgbStride * job->height));
  job->row = static_cast<uint8_t*>(std::malloc(size_t{4} * job->width));
  if (!job->rgb || !job->row) return 0;
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* dest = job->rgb + rgbStride * cinfo->output_scanline;
    JSAMPROW row = job->cmyk ? job->row : dest;
    jpeg_read_scanlines(cinfo, &row, 1);
    if (!job->cmyk) continue;
    // Naive CMYK to RGB; Adobe files store the inks inverted (255 = no ink).
    for (uint32_t x = 0; x < job->width; ++x) {
      const uint8_t* s = job->row + 4 * x;
      for (int c = 0; c < 3; ++c) {
        const unsigned ink = job->cmykInverted ? s[c] : 255u - s[c];
        const unsigned key = job->cmykInverted ? s[3] : 255u - s[3];
        dest[3 * x + c] = static_cast<uint8_t>((ink * key + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  return 1;
}

bool StartsWith(const jpeg_saved_marker_ptr marker, const char* signature, size_t size) {
  return marker->data_length >= size && std::memcmp(marker->data, signature, size) == 0;
}

// Joins the APP2 ICC segments in their sequence order after checking count and numbering.
bool ExtractIccProfile(jpeg_saved_marker_ptr markers, webp::MetadataPayload* iccp) {
  struct Segment {
    const uint8_t* data = nullptr;
    size_t size = 0;
  };
  std::vector<Segment> segments;
  int expectedCount = 0;
  size_t total = 0;
  for (jpeg_saved_marker_ptr m = markers; m; m = m->next) {
    if (m->marker != kAPP2 || !StartsWith(m, kIccSignature, sizeof kIccSignature) ||
        m->data_length <= kIccHeaderSize) {
      continue;
    }
    const int sequence = m->data[sizeof kIccSignature];
    const int count = m->data[sizeof kIccSignature + 1];
    if (count == 0 || sequence == 0 || sequence > count) {
      std::fprintf(stderr, "[ICCP] invalid segment number %d of %d\n", sequence, count);
      return false;
    }
    if (expectedCount == 0) {
      expectedCount = count;
      segments.resize(static_cast<size_t>(count));
    } else if (count != expectedCount) {
      std::fprintf(stderr, "[ICCP] inconsistent segment count (%d / %d)\n", count, expectedCount);
      return false;
    }
    Segment& segment = segments[static_cast<size_t>(sequence - 1)];
    if (segment.data) {
      std::fprintf(stderr, "[ICCP] duplicate segment number %d\n", sequence);
      return false;
    }
    segment.data = m->data + kIccHeaderSize;
    segment.size = m->data_length - kIccHeaderSize;
    total += segment.size;
  }
  if (expectedCount == 0) return true;
  for (const Segment& segment : segments) {
    if (!segment.data) {
      std::fprintf(stderr, "[ICCP] missing segment of %d\n", expectedCount);
      return false;
    }
  }
  auto* joined = static_cast<uint8_t*>(std::malloc(total));
  if (!joined) return false;
  size_t at = 0;
  for (const Segment& segment : segments) {
    std::memcpy(joined + at, segment.data, segment.size);
    at += segment.size;
  }
  std::free(iccp->bytes);
  iccp->bytes = joined;
  iccp->size = total;
  return true;
}

bool ExtractJpegMetadata(jpeg_saved_marker_ptr markers, webp::ImageMetadata* metadata) {
  for (jpeg_saved_marker_ptr m = markers; m; m = m->next) {
    if (m->marker != kAPP1) continue;
    webp::MetadataPayload* target = nullptr;
    size_t skip = 0;
    const char* name = nullptr;
    if (StartsWith(m, kExifSignature, sizeof kExifSignature)) {
      target = &metadata->exif;
      skip = sizeof kExifSignature;
      name = "Exif";
    } else if (StartsWith(m, kXmpSignature, sizeof kXmpSignature)) {
      target = &metadata->xmp;
      skip = sizeof kXmpSignature;
      name = "XMP";
    }
    if (!target || m->data_length <= skip) continue;
    if (target->bytes) {
      std::fprintf(stderr, "Ignoring additional '%s' marker\n", name);
      continue;
    }
    if (!webp::ImageMetadataCopy(m->data + skip, m->data_length - skip, target)) return false;
  }
  return ExtractIccProfile(markers, &metadata->iccp);
}

}  // namespace

int ReadJpegInput(FILE* file, WebPPicture* picture, webp::ImageMetadata* metadata) {
  JpegReadJob job{};
  LibjpegErrorTrap trap;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  cinfo.err = InstallLibjpegErrorTrap(&trap, true);
  int ok = ReadJpegHeader(&cinfo, file);
  if (ok && metadata && !ExtractJpegMetadata(cinfo.marker_list, metadata)) {
    std::fprintf(stderr, "Error extracting JPEG metadata!\n");
    ok = 0;
  }
  ok = ok && ReadJpegPixels(&cinfo, &job);
  if (ok) {
    picture->width = static_cast<int>(job.width);
    picture->height = static_cast<int>(job.height);
    ok = WebPPictureImportRGB(picture, job.rgb, static_cast<int>(3 * job.width));
  }
  jpeg_destroy_decompress(&cinfo);
  std::free(job.row);
  std::free(job.rgb);
  return ok ? 1 : 0;
}

}  // namespace glimbrik
