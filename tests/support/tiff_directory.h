#pragma once

// Hand-made TIFF directories in either byte order, for the fixtures that build EXIF blocks and
// camera raw files byte by byte, independently of the readers under test.

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace glimbrik::test {

struct TiffEntry {
  uint16_t tag = 0;
  uint16_t type = 0;  // 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED, 10 SRATIONAL
  uint32_t count = 0;
  QByteArray value;  // already in the file's byte order
};

inline void PutTiff16(QByteArray& out, uint32_t v, bool bigEndian) {
  const char high = char((v >> 8) & 0xFF), low = char(v & 0xFF);
  bigEndian ? out.append(high).append(low) : out.append(low).append(high);
}
inline void PutTiff32(QByteArray& out, uint32_t v, bool bigEndian) {
  PutTiff16(out, bigEndian ? v >> 16 : v & 0xFFFF, bigEndian);
  PutTiff16(out, bigEndian ? v & 0xFFFF : v >> 16, bigEndian);
}

// The bytes a directory takes with the values that do not fit in their entries.
inline uint32_t TiffDirectorySize(const std::vector<TiffEntry>& entries) {
  uint32_t size = 2 + 12 * uint32_t(entries.size()) + 4;
  for (const TiffEntry& e : entries) {
    if (e.value.size() > 4) size += uint32_t(e.value.size() + (e.value.size() & 1));
  }
  return size;
}

// Writes the directory, sorted by tag, at out's end (out starts at the file's first byte), with
// its long values right after it and no next directory.
inline void WriteTiffDirectory(QByteArray& out, std::vector<TiffEntry> entries, bool bigEndian) {
  std::sort(entries.begin(), entries.end(),
            [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
  const uint32_t overflow = uint32_t(out.size()) + 2 + 12 * uint32_t(entries.size()) + 4;
  QByteArray values;
  PutTiff16(out, uint32_t(entries.size()), bigEndian);
  for (const TiffEntry& e : entries) {
    PutTiff16(out, e.tag, bigEndian);
    PutTiff16(out, e.type, bigEndian);
    PutTiff32(out, e.count, bigEndian);
    if (e.value.size() <= 4) {
      out.append(e.value).append(QByteArray(4 - e.value.size(), '\0'));
    } else {
      PutTiff32(out, overflow + uint32_t(values.size()), bigEndian);
      values.append(e.value);
      if (values.size() & 1) values.append('\0');
    }
  }
  PutTiff32(out, 0, bigEndian);
  out.append(values);
}

}  // namespace glimbrik::test
