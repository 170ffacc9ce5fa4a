#pragma once

// Where token expansion finds the values that come from the image file.

#include <QString>
#include <optional>

#include "platform/metadata/metadata_read.h"

namespace glimbrik {

// The image's date in the form "yyyy:MM:dd HH:mm:ss", first found of: EXIF original and
// digitised dates, TIFF date, the IPTC date and time pairs, the GPS date and time (universal time,
// written in local time), the PNG creation time, and the file's creation date (the only source
// when metadata is null). The texts of EXIF, TIFF and PNG are returned as stored.
std::optional<QString> ImageDateText(const ImageMetadataValues* metadata, const QString& filePath);

// The text of a metadata tag (15 to 21) after its fallback chain; none when nothing is found.
std::optional<QString> MetadataTokenText(const ImageMetadataValues& metadata, int64_t tag);

}  // namespace glimbrik
