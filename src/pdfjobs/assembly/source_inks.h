#pragma once

// CMYK sources of PDF pages keep their inks. The converter keeps them only on a canvas in the
// source's own space; type 13 and the CMYK colour model draw a profiled source on device CMYK.

#include <QByteArray>

namespace glimbrik {

class ImageConverter;

// The converter's encoded CMYK JPEG or TIFF again, from the source's own inks (scaled to its
// size and orientation, with the source's profile) in place of those separated from RGB. Empty,
// so that the encoded image stands, when the source is no CMYK JPEG or TIFF, has transparency,
// the converter draws it turned or flipped, or the output holds no CMYK.
QByteArray EncodedWithSourceInks(const ImageConverter& converter, const QByteArray& encoded);

}  // namespace glimbrik
