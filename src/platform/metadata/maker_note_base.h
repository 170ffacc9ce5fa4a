#pragma once

// Maker notes whose offsets count from where the camera put them, not where they are now.

#include <exiv2/exiv2.hpp>
#include <optional>

namespace glimbrik {

// The maker note of exif read again where its offsets say it was written, when it was read from
// a block in which it lies elsewhere: a Canon note whose closing footer states that place, since
// moved by an editor that did not mend its offsets. Read where it lies, its entries hold the
// bytes the offsets now hit, not what the camera wrote. Nothing when the note needs no such
// reading or its entries do not fit it.
std::optional<Exiv2::ExifData> ReadMovedMakerNote(const Exiv2::ExifData& exif);

}  // namespace glimbrik
