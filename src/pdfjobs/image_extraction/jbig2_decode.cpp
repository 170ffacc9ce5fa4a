#include "pdfjobs/image_extraction/jbig2_decode.h"

#include <jbig2.h>

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace glimbrik {

namespace {

// jbig2dec allocates the page its stream declares, whatever the image that holds it: a few bytes
// could make it clear gigabytes. Its allocations are held to a budget well above what a page of
// the image's own size needs; each block records its size in front of it.
struct BudgetAllocator {
  Jbig2Allocator calls;  // first: jbig2dec hands this address back
  size_t left = 0;
};

using Header = std::max_align_t;

size_t& BlockSize(void* block) { return *reinterpret_cast<size_t*>(block); }

void* BudgetAlloc(Jbig2Allocator* allocator, size_t size) {
  auto* budget = reinterpret_cast<BudgetAllocator*>(allocator);
  if (size > budget->left) return nullptr;
  auto* block = static_cast<Header*>(std::malloc(size + sizeof(Header)));
  if (!block) return nullptr;
  BlockSize(block) = size;
  budget->left -= size;
  return block + 1;
}

void BudgetFree(Jbig2Allocator* allocator, void* p) {
  if (!p) return;
  Header* block = static_cast<Header*>(p) - 1;
  reinterpret_cast<BudgetAllocator*>(allocator)->left += BlockSize(block);
  std::free(block);
}

void* BudgetRealloc(Jbig2Allocator* allocator, void* p, size_t size) {
  if (!p) return BudgetAlloc(allocator, size);
  auto* budget = reinterpret_cast<BudgetAllocator*>(allocator);
  Header* block = static_cast<Header*>(p) - 1;
  const size_t old = BlockSize(block);
  if (size > old && size - old > budget->left) return nullptr;
  auto* moved = static_cast<Header*>(std::realloc(block, size + sizeof(Header)));
  if (!moved) return nullptr;
  budget->left = budget->left + old - size;
  BlockSize(moved) = size;
  return moved + 1;
}

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
  if (width <= 0 || height <= 0) return false;
  // Symbol dictionaries and regions come on top of the page; these numbers leave room for them.
  BudgetAllocator budget{{BudgetAlloc, BudgetFree, BudgetRealloc},
                         size_t(width + 7) / 8 * size_t(height) * 8 + (size_t(4) << 20)};
  GlobalsPtr globalContext;
  if (!globals.isEmpty()) {
    ContextPtr reader(
        jbig2_ctx_new(&budget.calls, JBIG2_OPTIONS_EMBEDDED, nullptr, IgnoreMessage, nullptr));
    if (!reader) return false;
    if (jbig2_data_in(reader.get(), reinterpret_cast<const unsigned char*>(globals.constData()),
                      size_t(globals.size())) < 0) {
      return false;
    }
    // The global context takes the reader over.
    globalContext.reset(jbig2_make_global_ctx(reader.release()));
    if (!globalContext) return false;
  }
  ContextPtr context(jbig2_ctx_new(&budget.calls, JBIG2_OPTIONS_EMBEDDED, globalContext.get(),
                                   IgnoreMessage, nullptr));
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
