#pragma once

// What of a camera's maker note an EXIF block can carry into a new file.

#include <exiv2/exiv2.hpp>

namespace glimbrik {

// Readies the maker note of exif, parsed from a file or block in that byte order, to be written
// elsewhere so that readers find the same entries there. A note exiv2 writes back whole is left
// to exiv2, which rebuilds its offsets, less the entries that are places in the old file; one
// whose own bytes read the same anywhere (its offsets count from itself) goes as those bytes;
// any other note, and one of a format exiv2 does not know, is left out. A note an editor moved
// without mending its offsets is first read where its footer says the camera wrote it.
void PrepareMakerNoteForWriting(Exiv2::ExifData* exif, Exiv2::ByteOrder order);

}  // namespace glimbrik
