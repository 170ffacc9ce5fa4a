#pragma once

// QImage format conversions that stay exact for 16-bit and float pixels with alpha. Qt 6.4
// multiplies the alpha by itself when it premultiplies 16-bit or float pixels (and when it
// draws straight 16-bit pixels into a premultiplied image), and narrows deep colour to 16-bit
// grey through a few thousand levels, so those roads are taken here.

#include <QImage>

namespace glimbrik {

// As QImage::convertToFormat, with the 16-bit and float roads done here.
QImage ConvertedImage(const QImage& image, QImage::Format format);

}  // namespace glimbrik
