#pragma once

// The inks of a CMYK source file as the engine shows its pixels: the decoders turn CMYK into RGB
// (see color_space.h), which a conversion that keeps CMYK must not go through.

#include <QByteArray>
#include <optional>

#include "platform/codecs/image_source.h"
#include "platform/pixels/cmyk_inks.h"

namespace glimbrik {

// The ink amounts of representation `index` of a CMYK JPEG, TIFF or Photoshop source, turned
// upright as ImageSource::decode turns its pixels, with the alpha the file stores beside them
// (an unassociated TIFF alpha, a Photoshop alpha plane). Nothing for any other source, or when the
// data cannot be read as inks; nothing either when the inks' size is not the representation's.
std::optional<CmykInks> ReadSourceInks(const ImageSource& source, int index);

// The colour space a CMYK representation's inks are in: its own CMYK profile, else device CMYK.
std::shared_ptr<const ColorSpace> SourceInkSpace(const ImageRepresentation& rep);

// The inks of directory `index` of a CMYK TIFF held in memory, as stored: 8 or 16 bits (rounded
// to 8), samples together or in planes, in strips or tiles; nothing for any other data.
std::optional<CmykInks> ReadTiffInks(const QByteArray& tiff, int index = 0);

// Adobe applications store CMYK JPEG samples inverted and say so in an APP14 segment.
bool HasAdobeSegment(const QByteArray& jpeg);

}  // namespace glimbrik
