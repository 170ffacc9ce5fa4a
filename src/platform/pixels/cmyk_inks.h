#pragma once

// Inks of CMYK images carried as they are, beside the RGB pictures the rest of the system draws
// (see color_space.h): turned upright and resampled ink by ink, never through a colour.

#include <QSize>

#include "platform/pdf/pdf_cmyk_inks.h"  // CmykInks

namespace glimbrik {

// The inks (and their alpha) turned and mirrored by EXIF orientation 1-8 exactly as
// UprightImage turns pixels; any other orientation leaves them as they are.
CmykInks OrientedInks(const CmykInks& inks, int orientation);

// The inks (and their alpha) at size, each ink resampled on its own with the Lanczos-3 row
// resampler that reduces decoded pictures, so that a resized CMYK image mixes inks, not colours.
// Empty (a null size) when the size is empty or memory runs out.
CmykInks ResampledInks(const CmykInks& inks, QSize size);

}  // namespace glimbrik
