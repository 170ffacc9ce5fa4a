#pragma once

// OpenJPEG streams on memory buffers and owners for its handles.

#include <openjpeg.h>

#include <QByteArray>
#include <memory>

namespace glimbrik::codec {

struct OpjCodecDeleter {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct OpjStreamDeleter {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct OpjImageDeleter {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using OpjCodecPtr = std::unique_ptr<opj_codec_t, OpjCodecDeleter>;
using OpjStreamPtr = std::unique_ptr<opj_stream_t, OpjStreamDeleter>;
using OpjImagePtr = std::unique_ptr<opj_image_t, OpjImageDeleter>;

struct OpjMemory {
  QByteArray* output = nullptr;
  const QByteArray* input = nullptr;
  qint64 position = 0;
};

OpjStreamPtr OpenOpjInput(OpjMemory* memory);
OpjStreamPtr OpenOpjOutput(OpjMemory* memory);
// Silences the codec's messages.
void QuietOpjCodec(opj_codec_t* codec);

}  // namespace glimbrik::codec
