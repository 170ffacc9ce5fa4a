#pragma once

#include <QImage>
#include <QString>

#include "app/list/list_entity.h"

namespace glimbrik {

inline constexpr int kThumbnailMaxPixelSize = 104;

struct LoadedEntity {
  ImageEntityFacts facts;
  QString kind;  // the kind text to use from now on; null to keep the one given
};

// Reads an image file's facts and a thumbnail of at most 104 pixels a side, oriented as the file
// says, decoding no more of the image than the thumbnail needs. A file that cannot be shown gets
// the generic image, the kind "UNKNOWN" and still its size.
LoadedEntity LoadEntityFacts(const QString& path, const QString& kind);

// Applies an EXIF orientation (1-8) to an image; other values leave it as it is.
QImage OrientedImage(const QImage& image, int orientation);

}  // namespace glimbrik
