#pragma once

// What of a camera's maker note an EXIF block can carry into a new file.

#include <exiv2/exiv2.hpp>

namespace glimbrik {

// Readies the maker note of exif, parsed from a file or block in that byte order, to be written
// elsewhere, so that a reader finds the same entries in the new file. A note exiv2
// writes back whole is left to exiv2, which rebuilds its offsets; one whose own bytes read the
// same anywhere (its offsets count from itself) is carried as those bytes; entries that are
// places in the old file are dropped; any other note is left out.
void PrepareMakerNoteForWriting(Exiv2::ExifData* exif, Exiv2::ByteOrder order);

}  // namespace glimbrik
