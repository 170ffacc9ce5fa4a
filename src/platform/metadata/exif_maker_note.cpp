#include "platform/metadata/exif_maker_note.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "platform/metadata/maker_note_base.h"

namespace glimbrik {
namespace {

constexpr const char* kNoteKey = "Exif.Photo.MakerNote";

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool InMakerNote(const Exiv2::Exifdatum& datum) {
  const std::string group = datum.groupName();
  return Exiv2::ExifTags::isMakerGroup(group) && group != "MakerNote";
}

// A maker-note entry that holds the offset of data elsewhere in the old file, which exiv2 copies
// as a plain number: once the note moves, the number points at other bytes. Entries whose data
// exiv2 carries along (a data area) are moved with it.
bool PointsIntoOldFile(const Exiv2::Exifdatum& datum) {
  if (!InMakerNote(datum)) return false;
  if (datum.sizeDataArea() > 0 || datum.count() != 1) return false;
  if (datum.typeId() != Exiv2::unsignedLong && datum.typeId() != Exiv2::tiffIfd) return false;
  const std::string name = datum.tagName();
  const bool offset = EndsWith(name, "Offset") || EndsWith(name, "Start") ||
                      EndsWith(name, "IFD") || name == "JPEGInterchangeFormat";
  return offset && datum.toLong(0) != 0;
}

// Entries are told apart by tag number: exiv2 gives some different tags of one note one name.
struct MakerEntry {
  std::string group;
  uint16_t tag;
  Exiv2::TypeId type;
  long count;
  std::vector<Exiv2::byte> bytes;  // left empty for offsets, which move with the note
  std::vector<Exiv2::byte> area;   // the data an offset points at, where exiv2 reads it
  auto operator<=>(const MakerEntry&) const = default;
};

std::vector<MakerEntry> MakerEntries(const Exiv2::ExifData& exif) {
  std::vector<MakerEntry> entries;
  for (const Exiv2::Exifdatum& datum : exif) {
    if (!InMakerNote(datum)) continue;
    MakerEntry entry{datum.groupName(), datum.tag(), datum.typeId(), datum.count(), {}, {}};
    if (entry.type != Exiv2::unsignedLong && entry.type != Exiv2::tiffIfd) {
      entry.bytes.resize(size_t(datum.size()));
      if (!entry.bytes.empty()) datum.copy(entry.bytes.data(), Exiv2::littleEndian);
    }
    const Exiv2::DataBuf area = datum.dataArea();
    if (area.size_ > 0) entry.area.assign(area.pData_, area.pData_ + area.size_);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// The signature and version in front of the note, which tell readers how its offsets count.
// Readers go by the signature and the byte after it (a major version, a byte order); a minor
// version after that (a Nikon note's 2.00 or 2.10) changes nothing they read.
std::vector<Exiv2::byte> NoteHeader(const Exiv2::ExifData& exif) {
  const auto note = exif.findKey(Exiv2::ExifKey(kNoteKey));
  if (note == exif.end()) return {};
  std::vector<Exiv2::byte> bytes(size_t(note->size()));
  if (!bytes.empty()) note->copy(bytes.data(), Exiv2::littleEndian);
  bytes.resize(std::min<size_t>(bytes.size(), 8));
  const auto end = std::find(bytes.begin(), bytes.end(), Exiv2::byte(0));
  const bool signature = end - bytes.begin() >= 3 && std::all_of(bytes.begin(), end, [](int c) {
                           return std::isprint(c) != 0;
                         });
  if (signature && bytes.end() - end > 2) bytes.erase(end + 2, bytes.end());
  return bytes;
}

// The byte order the note was read in, in which its header is compared: in the other order the
// count of a note without a signature reads swapped.
Exiv2::ByteOrder NoteOrder(const Exiv2::ExifData& exif) {
  const auto order = exif.findKey(Exiv2::ExifKey("Exif.MakerNote.ByteOrder"));
  return order != exif.end() && order->toString() == "MM" ? Exiv2::bigEndian : Exiv2::littleEndian;
}

// Whether exif, written as a block in its own byte order (kept by JPEG and PNG files) and in
// little-endian order (that of the TIFF and WebP files written here), reads back with the note's
// entries, and its header unchanged.
bool ReadsBackAlike(const Exiv2::ExifData& exif, Exiv2::ByteOrder blockOrder,
                    const std::vector<Exiv2::byte>& header,
                    const std::vector<MakerEntry>& entries) {
  for (Exiv2::ByteOrder order : {blockOrder, Exiv2::littleEndian}) {
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, exif);
    if (blob.empty()) return false;
    Exiv2::ExifData reread;
    Exiv2::ExifParser::decode(reread, blob.data(), uint32_t(blob.size()));
    if (MakerEntries(reread) != entries) return false;
    if (order == NoteOrder(exif) && NoteHeader(reread) != header) return false;
  }
  return true;
}

void EraseAll(Exiv2::ExifData* exif, const char* key) {
  const Exiv2::ExifKey wanted(key);
  for (auto it = exif->findKey(wanted); it != exif->end(); it = exif->findKey(wanted)) {
    exif->erase(it);
  }
}

void EraseParsedNote(Exiv2::ExifData* exif) {
  for (auto it = exif->begin(); it != exif->end();) {
    it = InMakerNote(*it) ? exif->erase(it) : std::next(it);
  }
}

void EraseNote(Exiv2::ExifData* exif) {
  for (auto it = exif->begin(); it != exif->end();) {
    const bool note = Exiv2::ExifTags::isMakerGroup(it->groupName()) || it->key() == kNoteKey;
    it = note ? exif->erase(it) : std::next(it);
  }
}

// An offset past the note's own bytes, unless its length partner says it points at nothing.
bool PointsPastNote(const Exiv2::ExifData& exif, const Exiv2::Exifdatum& datum, long noteSize) {
  if (!PointsIntoOldFile(datum) || datum.toLong(0) < noteSize) return false;
  std::string partner = datum.tagName();
  for (std::string_view suffix : {"Start", "Offset"}) {
    if (EndsWith(partner, suffix)) {
      partner.replace(partner.size() - suffix.size(), suffix.size(), "Length");
      break;
    }
  }
  try {
    const auto length = exif.findKey(Exiv2::ExifKey("Exif." + datum.groupName() + "." + partner));
    return length == exif.end() || length->toLong(0) != 0;
  } catch (const Exiv2::AnyError&) {
    return true;  // no such tag in the group
  }
}

// Whether the note's own bytes, placed at other offsets of a block, read as they did where
// they were: then its offsets count from itself and the bytes can go anywhere whole.
bool RawNoteMoves(const Exiv2::ExifData& exif, Exiv2::ByteOrder order,
                  const std::vector<MakerEntry>& entries) {
  const auto note = exif.findKey(Exiv2::ExifKey(kNoteKey));
  if (note == exif.end() || entries.empty()) return false;
  // Only values stored outside their entries show a move; without any, nothing proves that an
  // entry exiv2 does not follow (an old Olympus note's equipment directory) counts from the note.
  bool outOfLine = false;
  for (const Exiv2::Exifdatum& datum : exif) {
    if (PointsPastNote(exif, datum, note->size())) return false;
    outOfLine = outOfLine || (InMakerNote(datum) && datum.size() > 4);
  }
  if (!outOfLine) return false;
  for (size_t padding : {16, 112}) {
    // Filler in the first directory, whose data exiv2 writes before the EXIF directory's.
    Exiv2::ExifData moved;
    for (const Exiv2::Exifdatum& datum : exif) {
      if (datum.groupName() == "Image" || datum.groupName() == "MakerNote") moved.add(datum);
    }
    EraseAll(&moved, "Exif.Image.ImageDescription");
    moved["Exif.Image.ImageDescription"] = std::string(padding, 'x');
    moved.add(*note);
    if (!ReadsBackAlike(moved, order, NoteHeader(exif), entries)) return false;
  }
  return true;
}

}  // namespace

void PrepareMakerNoteForWriting(Exiv2::ExifData* exif, Exiv2::ByteOrder order) {
  if (order == Exiv2::invalidByteOrder) order = Exiv2::littleEndian;
  try {
    if (const std::optional<Exiv2::ExifData> moved = ReadMovedMakerNote(*exif)) {
      EraseParsedNote(exif);
      for (const Exiv2::Exifdatum& datum : *moved) {
        if (InMakerNote(datum)) exif->add(datum);
      }
    }
    const std::vector<MakerEntry> parsed = MakerEntries(*exif);
    if (parsed.empty()) {
      // Not a format exiv2 knows: nothing says where its offsets point.
      EraseNote(exif);
    } else if (ReadsBackAlike(*exif, order, NoteHeader(*exif), parsed)) {
      // Checked whole, as the header counts the entries: the note is written without these.
      for (auto it = exif->begin(); it != exif->end();) {
        it = PointsIntoOldFile(*it) ? exif->erase(it) : std::next(it);
      }
    } else if (RawNoteMoves(*exif, order, parsed)) {
      // exiv2 writes some formats in a layout of its own (an Olympus note under another maker's
      // signature, another version of the header) that its bytes need not take.
      EraseParsedNote(exif);
    } else {
      EraseNote(exif);
    }
  } catch (const std::exception&) {
    EraseNote(exif);  // a note exiv2 chokes on costs only itself, not the rest of the metadata
  }
}

}  // namespace glimbrik
