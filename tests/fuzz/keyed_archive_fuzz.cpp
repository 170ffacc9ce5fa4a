// Property lists and keyed archives come from preference files and the clipboard: any bytes.

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/store/keyed_archive.h"
#include "platform/store/plist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const glimbrik::PlistResult plist = glimbrik::ReadPlistData(bytes);
  if (plist.ok()) {
    // Whatever reads must write and read again.
    const glimbrik::PlistData written = glimbrik::WritePlistData(plist.value);
    if (!written.ok() || !glimbrik::ReadPlistData(written.data).ok()) std::abort();
  }
  const glimbrik::PlistResult root = glimbrik::UnarchiveRootValue(bytes);
  if (root.ok()) {
    (void)glimbrik::DecodeColor(root.value);
    (void)glimbrik::DecodeIndexSet(root.value);
  }
  return 0;
}
