#pragma once

// CMYK sources of PDF pages keep their inks. Still needed beside the engine's own ink road: type 13
// and the CMYK colour model draw a profiled source on device CMYK, which separates it again.

#include <QByteArray>

namespace glimbrik {

class ImageConverter;

// The converter's encoded CMYK JPEG or TIFF again, from the source's own inks (resampled to its
// size, turned by its orientation, with the source's profile) in place of those separated from
// RGB. Empty, so that the encoded image stands, when the source is no CMYK JPEG, TIFF or Photoshop
// file, has transparency, the converter draws it turned or flipped, or the output holds no CMYK.
QByteArray EncodedWithSourceInks(const ImageConverter& converter, const QByteArray& encoded);

}  // namespace glimbrik
