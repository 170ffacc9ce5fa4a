#include "engine/codecs/jpeg2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/metadata/image_header.h"

namespace glimbrik {
namespace {

struct CodecDeleter {
  void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamDeleter {
  void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageDeleter {
  void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

struct MemoryReader {
  const unsigned char* data;
  OPJ_SIZE_T size;
  OPJ_SIZE_T position;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  if (reader->position >= reader->size) return static_cast<OPJ_SIZE_T>(-1);
  const OPJ_SIZE_T n = std::min(count, reader->size - reader->position);
  std::memcpy(buffer, reader->data + reader->position, n);
  reader->position += n;
  return n;
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  if (count < 0) {
    const OPJ_SIZE_T back = std::min<OPJ_SIZE_T>(static_cast<OPJ_SIZE_T>(-count), reader->position);
    reader->position -= back;
    return -static_cast<OPJ_OFF_T>(back);
  }
  const OPJ_SIZE_T ahead =
      std::min<OPJ_SIZE_T>(static_cast<OPJ_SIZE_T>(count), reader->size - reader->position);
  reader->position += ahead;
  return static_cast<OPJ_OFF_T>(ahead);
}

OPJ_BOOL SeekBytes(OPJ_OFF_T position, void* user) {
  auto* reader = static_cast<MemoryReader*>(user);
  if (position < 0 || static_cast<OPJ_SIZE_T>(position) > reader->size) return OPJ_FALSE;
  reader->position = static_cast<OPJ_SIZE_T>(position);
  return OPJ_TRUE;
}

void IgnoreMessage(const char*, void*) {}

ImagePtr DecodeImage(const QByteArray& data) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
  const bool codestream = bytes[0] == 0xFF && bytes[1] == 0x4F;
  CodecPtr codec(opj_create_decompress(codestream ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return nullptr;
  opj_set_error_handler(codec.get(), IgnoreMessage, nullptr);
  opj_set_warning_handler(codec.get(), IgnoreMessage, nullptr);
  opj_set_info_handler(codec.get(), IgnoreMessage, nullptr);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(codec.get(), &parameters)) return nullptr;

  MemoryReader reader{bytes, static_cast<OPJ_SIZE_T>(data.size()), 0};
  StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (!stream) return nullptr;
  opj_stream_set_user_data(stream.get(), &reader, nullptr);
  opj_stream_set_user_data_length(stream.get(), reader.size);
  opj_stream_set_read_function(stream.get(), ReadBytes);
  opj_stream_set_skip_function(stream.get(), SkipBytes);
  opj_stream_set_seek_function(stream.get(), SeekBytes);

  opj_image_t* raw = nullptr;
  if (!opj_read_header(stream.get(), codec.get(), &raw)) {
    opj_image_destroy(raw);
    return nullptr;
  }
  ImagePtr image(raw);
  // Refuse a declared size that would not fit before the decoder allocates for it: every
  // component is decoded into 32-bit samples.
  if (image->x1 <= image->x0 || image->y1 <= image->y0 ||
      !IsImageSizeAllowed(image->x1 - image->x0, image->y1 - image->y0) ||
      int64_t{image->x1 - image->x0} * (image->y1 - image->y0) * image->numcomps >
          kMaxImagePixels) {
    return nullptr;
  }
  if (!opj_decode(codec.get(), stream.get(), image.get()) ||
      !opj_end_decompress(codec.get(), stream.get())) {
    return nullptr;
  }
  return image;
}

// One sample as a byte: signed samples shifted to unsigned, clamped to the precision (corrupt
// streams produce values outside it), then reduced to the top 8 bits.
uint8_t SampleToByte(OPJ_INT32 sample, const opj_image_comp_t& component) {
  const int precision = static_cast<int>(component.prec);
  int64_t value = sample;
  if (component.sgnd) value += int64_t{1} << (precision - 1);
  value = std::clamp<int64_t>(value, 0, (int64_t{1} << precision) - 1);
  if (precision > 8) value >>= precision - 8;
  return static_cast<uint8_t>(value);
}

}  // namespace

int DecodeJPEG2000Data(const QByteArray& data, QByteArray* pixels, void* /*unused1*/,
                       void* /*unused2*/, int* colourCode, int* components,
                       QByteArray* iccProfile) {
  if (pixels) pixels->clear();
  if (!pixels || !colourCode || !components || data.size() < 2) return -1;
  ImagePtr image = DecodeImage(data);
  if (!image || image->numcomps == 0 || !image->comps) return -1;

  const opj_image_comp_t& first = image->comps[0];
  if (first.prec < 1 || first.prec > 31 || first.w == 0 || first.h == 0) return -1;
  for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
    const opj_image_comp_t& component = image->comps[c];
    if (component.w != first.w || component.h != first.h || component.prec != first.prec ||
        !component.data) {
      return -1;
    }
  }

  const int total = static_cast<int>(image->numcomps);
  const bool rgbWithAlpha = total == 4 && (image->color_space == OPJ_CLRSPC_SRGB ||
                                           image->color_space == OPJ_CLRSPC_SYCC);
  int colour = 0;
  bool alpha = false;
  if (rgbWithAlpha) {
    colour = 3;
    alpha = true;
  } else {
    alpha = total == 2 || total > 4;
    colour = total == 2 ? 1 : total > 4 ? 4 : total;
  }
  if (*colourCode == 0) *colourCode = colour == 4 ? 3 : colour == 3 ? 2 : 1;
  *components = total;

  const int written = colour + (alpha ? 1 : 0);
  const size_t pixelCount = size_t{first.w} * first.h;
  QByteArray out(static_cast<qsizetype>(pixelCount * written), Qt::Uninitialized);
  auto* dest = reinterpret_cast<uint8_t*>(out.data());
  for (size_t p = 0; p < pixelCount; ++p) {
    for (int c = 0; c < written; ++c)
      *dest++ = SampleToByte(image->comps[c].data[p], image->comps[c]);
  }
  *pixels = std::move(out);
  if (iccProfile) {
    iccProfile->clear();
    if (image->icc_profile_buf && image->icc_profile_len > 0) {
      *iccProfile = QByteArray(reinterpret_cast<const char*>(image->icc_profile_buf),
                               static_cast<qsizetype>(image->icc_profile_len));
    }
  }
  return 0;
}

}  // namespace glimbrik
