#pragma once

// CMYK sources of PDF pages keep their inks: the converter draws every picture in RGB and
// separates it again, which moves ink between the colours and black.

#include <QByteArray>

namespace glimbrik {

class ImageConverter;

// The converter's encoded CMYK JPEG or TIFF again, from the source's own inks (scaled to its
// size and orientation, with the source's profile) in place of those separated from RGB. Empty,
// so that the encoded image stands, when the source is no CMYK JPEG or TIFF, has transparency,
// the converter draws it turned or flipped, or the output holds no CMYK.
QByteArray EncodedWithSourceInks(const ImageConverter& converter, const QByteArray& encoded);

}  // namespace glimbrik
