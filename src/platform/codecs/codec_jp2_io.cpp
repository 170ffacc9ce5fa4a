#include "platform/codecs/codec_jp2_io.h"

#include <cstring>

namespace glimbrik::codec {

namespace {

OPJ_SIZE_T ReadOpj(void* out, OPJ_SIZE_T size, void* user) {
  auto* m = static_cast<OpjMemory*>(user);
  const qint64 left = m->input->size() - m->position;
  if (left <= 0) return OPJ_SIZE_T(-1);
  const OPJ_SIZE_T n = std::min<OPJ_SIZE_T>(size, OPJ_SIZE_T(left));
  std::memcpy(out, m->input->constData() + m->position, n);
  m->position += qint64(n);
  return n;
}

OPJ_SIZE_T WriteOpj(void* in, OPJ_SIZE_T size, void* user) {
  auto* m = static_cast<OpjMemory*>(user);
  const qint64 end = m->position + qint64(size);
  if (end > m->output->size()) m->output->resize(end);
  std::memcpy(m->output->data() + m->position, in, size);
  m->position = end;
  return size;
}

qint64 Length(const OpjMemory* m) { return m->input ? m->input->size() : m->output->size(); }

OPJ_OFF_T SkipOpj(OPJ_OFF_T count, void* user) {
  auto* m = static_cast<OpjMemory*>(user);
  if (m->output) {
    const qint64 end = m->position + count;
    if (end < 0) return -1;
    if (end > m->output->size()) m->output->resize(end);
    m->position = end;
    return count;
  }
  const qint64 target = std::clamp<qint64>(m->position + count, 0, Length(m));
  const OPJ_OFF_T moved = target - m->position;
  m->position = target;
  return moved;
}

OPJ_BOOL SeekOpj(OPJ_OFF_T position, void* user) {
  auto* m = static_cast<OpjMemory*>(user);
  if (position < 0 || (m->input && position > Length(m))) return OPJ_FALSE;
  if (m->output && position > m->output->size()) m->output->resize(position);
  m->position = position;
  return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

}  // namespace

OpjStreamPtr OpenOpjInput(OpjMemory* memory) {
  OpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), memory, nullptr);
  opj_stream_set_user_data_length(stream.get(), OPJ_UINT64(memory->input->size()));
  opj_stream_set_read_function(stream.get(), ReadOpj);
  opj_stream_set_skip_function(stream.get(), SkipOpj);
  opj_stream_set_seek_function(stream.get(), SeekOpj);
  return stream;
}

OpjStreamPtr OpenOpjOutput(OpjMemory* memory) {
  OpjStreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
  if (!stream) return stream;
  opj_stream_set_user_data(stream.get(), memory, nullptr);
  opj_stream_set_write_function(stream.get(), WriteOpj);
  opj_stream_set_skip_function(stream.get(), SkipOpj);
  opj_stream_set_seek_function(stream.get(), SeekOpj);
  return stream;
}

void QuietOpjCodec(opj_codec_t* codec) {
  opj_set_info_handler(codec, Quiet, nullptr);
  opj_set_warning_handler(codec, Quiet, nullptr);
  opj_set_error_handler(codec, Quiet, nullptr);
}

}  // namespace glimbrik::codec
