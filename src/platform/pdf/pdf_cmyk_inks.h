#pragma once

// The ink amounts of CMYK image data. A page that embeds a CMYK image as the RGB it shows as, or
// separates that RGB again, changes its inks: pages keep the inks themselves.

#include <QByteArray>
#include <QSize>
#include <optional>

namespace glimbrik {

struct CmykInks {
  QByteArray samples;  // interleaved C, M, Y, K bytes, width x height x 4; 0 = no ink
  QByteArray alpha;    // width x height bytes; empty for an opaque image
  QSize size;
};

// Adobe applications store CMYK JPEG samples inverted and say so in an APP14 segment.
bool HasAdobeSegment(const QByteArray& jpeg);

// The inks of directory `index` of a CMYK TIFF held in memory, as stored: 8 or 16 bits (rounded
// to 8), samples together or in planes, in strips or tiles; nothing for any other data.
std::optional<CmykInks> ReadTiffInks(const QByteArray& tiff, int index = 0);

// Stored inks as shown under an EXIF orientation (1-8), as UprightImage turns pixels; empty when
// memory runs out.
CmykInks UprightInks(const CmykInks& inks, int orientation);

// The inks scaled to size, each ink (and the alpha) resampled on its own.
CmykInks ScaledInks(const CmykInks& inks, QSize size);

}  // namespace glimbrik
