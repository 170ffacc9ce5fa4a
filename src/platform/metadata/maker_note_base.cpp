#include "platform/metadata/maker_note_base.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glimbrik {
namespace {

using Bytes = std::vector<Exiv2::byte>;

constexpr size_t kFooterSize = 8;  // byte order mark, 42, and the note's offset when written
constexpr size_t kEntrySize = 12;

const Exiv2::Exifdatum* Find(const Exiv2::ExifData& exif, const char* key) {
  const auto it = exif.findKey(Exiv2::ExifKey(key));
  return it == exif.end() ? nullptr : &*it;
}

bool IsCanonNote(const Exiv2::ExifData& exif) {
  for (const Exiv2::Exifdatum& datum : exif) {
    if (datum.groupName().starts_with("Canon")) return true;
  }
  return false;
}

// The offset the footer states, when the note ends with one in the note's own byte order.
std::optional<uint32_t> FooterOffset(const Bytes& note, Exiv2::ByteOrder order) {
  if (note.size() < kFooterSize) return std::nullopt;
  const Exiv2::byte* footer = note.data() + note.size() - kFooterSize;
  const char* mark = order == Exiv2::bigEndian ? "MM" : "II";
  if (footer[0] != mark[0] || footer[1] != mark[1] || Exiv2::getUShort(footer + 2, order) != 42) {
    return std::nullopt;
  }
  return Exiv2::getULong(footer + 4, order);
}

// Moves the values the note's directory points at from counting from `from` to counting from
// `to`, both places of the note's start, and states `to` in the footer; false when the directory
// or a value would lie outside the note.
bool Rebase(Bytes* note, Exiv2::ByteOrder order, uint32_t from, uint32_t to) {
  const size_t end = note->size() - kFooterSize;
  const size_t entries = end < 2 ? 0 : Exiv2::getUShort(note->data(), order);
  if (end < 2 + entries * kEntrySize + 4) return false;
  for (size_t i = 0; i < entries; ++i) {
    Exiv2::byte* entry = note->data() + 2 + i * kEntrySize;
    const auto type = Exiv2::TypeId(Exiv2::getUShort(entry + 2, order));
    const uint64_t length =
        uint64_t(Exiv2::TypeInfo::typeSize(type)) * Exiv2::getULong(entry + 4, order);
    if (length <= 4) continue;  // held in the entry itself
    const uint32_t at = Exiv2::getULong(entry + 8, order);
    if (at < from || at - from + length > end) return false;
    Exiv2::ul2Data(entry + 8, at - from + to, order);
  }
  Exiv2::ul2Data(note->data() + note->size() - 4, to, order);
  return true;
}

void Append(Bytes* out, std::initializer_list<uint32_t> shorts, Exiv2::ByteOrder order) {
  for (uint32_t v : shorts) {
    Exiv2::byte b[2];
    Exiv2::us2Data(b, uint16_t(v), order);
    out->insert(out->end(), b, b + 2);
  }
}

void AppendLong(Bytes* out, uint32_t v, Exiv2::ByteOrder order) {
  Exiv2::byte b[4];
  Exiv2::ul2Data(b, v, order);
  out->insert(out->end(), b, b + 4);
}

// The note read from a TIFF block of its own, after the camera's make that tells exiv2 its
// format, with its offsets rebased from where it was written to that place.
std::optional<Exiv2::ExifData> ReadInBlock(const std::string& make, Bytes note,
                                           Exiv2::ByteOrder order, uint32_t written) {
  std::string makeText = make + '\0';
  if (makeText.size() % 2) makeText += '\0';
  constexpr uint32_t kFirstDirectory = 8, kDirectoryOfTwo = 2 + 2 * kEntrySize + 4;
  const uint32_t makeAt = kFirstDirectory + kDirectoryOfTwo;
  const uint32_t exifAt = makeAt + uint32_t(makeText.size());
  const uint32_t noteAt = exifAt + 2 + kEntrySize + 4;
  if (!Rebase(&note, order, written, noteAt)) return std::nullopt;
  Bytes block;
  block.push_back(order == Exiv2::bigEndian ? 'M' : 'I');
  block.push_back(block.back());
  Append(&block, {42}, order);
  AppendLong(&block, kFirstDirectory, order);
  Append(&block, {2, 0x010f, Exiv2::asciiString}, order);
  AppendLong(&block, uint32_t(make.size() + 1), order);
  AppendLong(&block, makeAt, order);
  Append(&block, {0x8769, Exiv2::unsignedLong}, order);
  AppendLong(&block, 1, order);
  AppendLong(&block, exifAt, order);
  AppendLong(&block, 0, order);
  block.insert(block.end(), makeText.begin(), makeText.end());
  Append(&block, {1, 0x927c, Exiv2::undefined}, order);
  AppendLong(&block, uint32_t(note.size()), order);
  AppendLong(&block, noteAt, order);
  AppendLong(&block, 0, order);
  block.insert(block.end(), note.begin(), note.end());
  Exiv2::ExifData read;
  Exiv2::ExifParser::decode(read, block.data(), uint32_t(block.size()));
  return read;
}

}  // namespace

std::optional<Exiv2::ExifData> ReadMovedMakerNote(const Exiv2::ExifData& exif) {
  const Exiv2::Exifdatum* note = Find(exif, "Exif.Photo.MakerNote");
  const Exiv2::Exifdatum* at = Find(exif, "Exif.MakerNote.Offset");
  const Exiv2::Exifdatum* make = Find(exif, "Exif.Image.Make");
  if (!note || !at || !make || !IsCanonNote(exif)) return std::nullopt;
  const Exiv2::Exifdatum* mark = Find(exif, "Exif.MakerNote.ByteOrder");
  const Exiv2::ByteOrder order =
      mark && mark->toString() == "MM" ? Exiv2::bigEndian : Exiv2::littleEndian;
  Bytes bytes(size_t(note->size()));
  if (bytes.empty()) return std::nullopt;
  note->copy(bytes.data(), order);
  const std::optional<uint32_t> written = FooterOffset(bytes, order);
  if (!written || *written == uint32_t(at->toLong(0))) return std::nullopt;
  return ReadInBlock(make->toString(), std::move(bytes), order, *written);
}

}  // namespace glimbrik
