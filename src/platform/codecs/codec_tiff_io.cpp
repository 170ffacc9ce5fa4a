#include "platform/codecs/codec_tiff_io.h"

#include <cstring>

namespace glimbrik::codec {

namespace {

tsize_t ReadProc(thandle_t handle, tdata_t out, tsize_t size) {
  auto* m = static_cast<TiffMemory*>(handle);
  const toff_t length = toff_t(m->input->size());
  if (size <= 0 || m->position >= length) return 0;
  const toff_t n = std::min<toff_t>(toff_t(size), length - m->position);
  std::memcpy(out, m->input->constData() + m->position, size_t(n));
  m->position += n;
  return tsize_t(n);
}

tsize_t WriteProc(thandle_t handle, tdata_t in, tsize_t size) {
  auto* m = static_cast<TiffMemory*>(handle);
  if (!m->buffer || size < 0) return -1;
  const toff_t end = m->position + toff_t(size);
  if (end > toff_t(std::numeric_limits<qsizetype>::max())) return -1;
  if (end > toff_t(m->buffer->size())) m->buffer->resize(qsizetype(end));
  std::memcpy(m->buffer->data() + m->position, in, size_t(size));
  m->position = end;
  return size;
}

tsize_t NoWrite(thandle_t, tdata_t, tsize_t) { return -1; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* m = static_cast<TiffMemory*>(handle);
  const toff_t length = m->buffer ? toff_t(m->buffer->size()) : toff_t(m->input->size());
  toff_t base = 0;
  if (whence == SEEK_CUR) base = m->position;
  if (whence == SEEK_END) base = length;
  m->position = base + offset;
  return m->position;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
  auto* m = static_cast<TiffMemory*>(handle);
  return m->buffer ? toff_t(m->buffer->size()) : toff_t(m->input->size());
}

int NoMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void NoUnmap(thandle_t, tdata_t, toff_t) {}

int KeepError(TIFF*, void* user, const char*, const char* format, va_list args) {
  auto* m = static_cast<TiffMemory*>(user);
  if (m->error.isEmpty()) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, args);
    m->error = QString::fromLocal8Bit(text);
  }
  return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TiffPtr Open(TiffMemory* memory, const char* mode, bool write) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return TiffPtr();
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, memory);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, memory);
  // No single allocation above what our largest accepted image needs.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(2) * 1024 * 1024 * 1024);
  TIFF* tiff = TIFFClientOpenExt("memory", mode, memory, ReadProc, write ? WriteProc : NoWrite,
                                 SeekProc, CloseProc, SizeProc, NoMap, NoUnmap, options);
  TIFFOpenOptionsFree(options);
  return TiffPtr(tiff);
}

}  // namespace

TiffPtr OpenTiffForReading(TiffMemory* memory) {
  memory->buffer = nullptr;
  memory->position = 0;
  return Open(memory, "rm", false);
}

TiffPtr OpenTiffForWriting(TiffMemory* memory) {
  memory->input = memory->buffer;
  memory->position = 0;
  return Open(memory, "w", true);
}

}  // namespace glimbrik::codec
