#include "platform/system/file_mapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace glimbrik {

namespace {

// The live maps, read by the signal handler: lock-free atomics only. A slot is free while its
// start is 0 and being filled while it is 1.
struct Slot {
  std::atomic<uintptr_t> start{0};
  std::atomic<size_t> size{0};
  std::atomic<bool> changed{false};
};
constexpr int kSlots = 64;
Slot gSlots[kSlots];
struct sigaction gPrevious {};
uintptr_t gPageSize = 4096;  // read before the handler is installed: sysconf is not signal-safe

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Slot& slot : gSlots) {
    const uintptr_t start = slot.start.load(std::memory_order_acquire);
    const size_t size = slot.size.load(std::memory_order_relaxed);
    if (start <= 1 || address < start || address - start >= size) continue;
    // From the faulting page to the end: the file is shorter than the map from there on.
    const uintptr_t from = address & ~(gPageSize - 1);
    void* zeros = mmap(reinterpret_cast<void*>(from), start + size - from, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    if (zeros == MAP_FAILED) break;
    slot.changed.store(true, std::memory_order_release);
    return;
  }
  // Not ours: whoever handled it before does, or the default action ends the process.
  if (gPrevious.sa_flags & SA_SIGINFO) {
    if (gPrevious.sa_sigaction) {
      gPrevious.sa_sigaction(signal, info, context);
      return;
    }
  } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
    gPrevious.sa_handler(signal);
    return;
  }
  sigaction(SIGBUS, &gPrevious, nullptr);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    gPageSize = uintptr_t(sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPrevious);
  });
}

}  // namespace

std::unique_ptr<FileMapping> FileMapping::Map(int fd, size_t size) {
  if (size == 0) return nullptr;
  InstallHandler();
  void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (map == MAP_FAILED) return nullptr;
  madvise(map, size, MADV_SEQUENTIAL);
  for (int i = 0; i < kSlots; ++i) {
    Slot& slot = gSlots[i];
    uintptr_t free = 0;
    // Claimed with a placeholder so that no fault matches the slot until its size is set.
    if (!slot.start.compare_exchange_strong(free, 1, std::memory_order_acq_rel)) continue;
    slot.size.store(size, std::memory_order_relaxed);
    slot.changed.store(false, std::memory_order_relaxed);
    slot.start.store(reinterpret_cast<uintptr_t>(map), std::memory_order_release);
    return std::unique_ptr<FileMapping>(new FileMapping(static_cast<const uchar*>(map), size, i));
  }
  munmap(map, size);
  return nullptr;
}

FileMapping::~FileMapping() {
  // Forgotten before the addresses go, so that a later map there is never taken for this one.
  gSlots[slot_].start.store(0, std::memory_order_release);
  munmap(const_cast<uchar*>(data_), size_);
}

bool FileMapping::changed() const { return gSlots[slot_].changed.load(std::memory_order_acquire); }

void ReleasePassedPages(const uchar* data, size_t position, size_t* released) {
  constexpr size_t kStep = 8 << 20;
  if (position - *released < kStep) return;
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  const size_t end = position / page * page;
  madvise(const_cast<uchar*>(data) + *released, end - *released, MADV_DONTNEED);
  *released = end;
}

void FileMapping::release() const { madvise(const_cast<uchar*>(data_), size_, MADV_DONTNEED); }

}  // namespace glimbrik
