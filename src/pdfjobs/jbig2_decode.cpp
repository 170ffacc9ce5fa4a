#include "pdfjobs/jbig2_decode.h"

#include <jbig2.h>

#include <memory>

namespace glimbrik {

namespace {

// jbig2dec reports through this; the messages are of no use to a batch run.
void IgnoreMessage(void*, const char*, Jbig2Severity, uint32_t) {}

struct ContextFree {
  void operator()(Jbig2Ctx* context) const { jbig2_ctx_free(context); }
};
struct GlobalsFree {
  void operator()(Jbig2GlobalCtx* globals) const { jbig2_global_ctx_free(globals); }
};
using ContextPtr = std::unique_ptr<Jbig2Ctx, ContextFree>;
using GlobalsPtr = std::unique_ptr<Jbig2GlobalCtx, GlobalsFree>;

}  // namespace

bool DecodeJBIG2(const QByteArray& data, const QByteArray& globals, int width, int height,
                 QByteArray* rows) {
  GlobalsPtr globalContext;
  if (!globals.isEmpty()) {
    ContextPtr reader(
        jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, nullptr, IgnoreMessage, nullptr));
    if (!reader) return false;
    if (jbig2_data_in(reader.get(), reinterpret_cast<const unsigned char*>(globals.constData()),
                      size_t(globals.size())) < 0) {
      return false;
    }
    // The global context takes the reader over.
    globalContext.reset(jbig2_make_global_ctx(reader.release()));
    if (!globalContext) return false;
  }
  ContextPtr context(
      jbig2_ctx_new(nullptr, JBIG2_OPTIONS_EMBEDDED, globalContext.get(), IgnoreMessage, nullptr));
  if (!context) return false;
  if (jbig2_data_in(context.get(), reinterpret_cast<const unsigned char*>(data.constData()),
                    size_t(data.size())) < 0) {
    return false;
  }
  jbig2_complete_page(context.get());
  Jbig2Image* page = jbig2_page_out(context.get());
  if (!page) return false;
  bool ok = int64_t(page->width) == width && int64_t(page->height) >= height;
  if (ok) {
    const qsizetype rowBytes = (width + 7) / 8;
    rows->resize(rowBytes * height);
    for (int y = 0; y < height; ++y) {
      const uint8_t* in = page->data + size_t(y) * page->stride;
      char* out = rows->data() + y * rowBytes;
      // jbig2dec marks black with 1.
      for (qsizetype i = 0; i < rowBytes; ++i) out[i] = char(~in[i]);
    }
  }
  jbig2_release_page(context.get(), page);
  return ok;
}

}  // namespace glimbrik
