#pragma once

// The inks of a CMYK source file as the engine shows its pixels: the decoders turn CMYK into RGB
// (see color_space.h), which a conversion that keeps CMYK must not go through.

#include <optional>

#include "platform/codecs/image_source.h"
#include "platform/pdf/pdf_cmyk_inks.h"  // CmykInks

namespace glimbrik {

// The ink amounts of representation `index` of a CMYK JPEG, TIFF or Photoshop source, turned
// upright as ImageSource::decode turns its pixels, with the alpha the file stores beside them
// (an unassociated TIFF alpha, a Photoshop alpha plane). Nothing for any other source, or when the
// data cannot be read as inks; nothing either when the inks' size is not the representation's.
std::optional<CmykInks> ReadSourceInks(const ImageSource& source, int index);

// The colour space a CMYK representation's inks are in: its own CMYK profile, else device CMYK.
std::shared_ptr<const ColorSpace> SourceInkSpace(const ImageRepresentation& rep);

}  // namespace glimbrik
