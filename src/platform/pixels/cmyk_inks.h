#pragma once

// Inks of CMYK images carried as they are, beside the RGB pictures the rest of the system draws
// (see color_space.h): turned upright and resampled ink by ink, never through a colour.

#include <QByteArray>
#include <QSize>

namespace glimbrik {

struct CmykInks {
  QByteArray samples;  // interleaved C, M, Y, K bytes, width x height x 4; 0 = no ink
  QByteArray alpha;    // width x height bytes; empty for an opaque image
  QSize size;
};

// The inks (and their alpha) turned and mirrored by EXIF orientation 1-8 exactly as
// UprightImage turns pixels; any other orientation leaves them as they are. Empty when memory
// runs out.
CmykInks OrientedInks(const CmykInks& inks, int orientation);

// The inks (and their alpha) at size, each ink resampled on its own with the Lanczos-3 row
// resampler that reduces decoded pictures, so that a resized CMYK image mixes inks, not colours.
// Empty (a null size) when the size is empty or memory runs out.
CmykInks ResampledInks(const CmykInks& inks, QSize size);

}  // namespace glimbrik
