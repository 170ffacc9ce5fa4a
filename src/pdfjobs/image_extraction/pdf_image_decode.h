#pragma once

// Rebuilding one image of a PDF page from its objects: filters, colour space, decode ranges,
// indexed and tint-transformed colours and masks.

#include <QImage>

#include "platform/codecs/image_source.h"

class QPDFObjectHandle;

namespace glimbrik {

// What an extracted image carries beside its pixels.
struct PDFImageColour {
  QByteArray cmyk;     // its own inks (width x height x 4, 0 = no ink) when its samples are CMYK
  QByteArray profile;  // its ICC profile where the image holds none (grey, calibrated spaces)
};

// The image of an image XObject (or an inline image's dictionary and data stream). A null image
// without an error is one that is skipped (no size, unknown colour space, too little data); the
// error says that the data could not be decoded. colorSpaces is the page's "ColorSpace" resource
// dictionary (for named spaces); masks are applied only with keepAlpha. colour, when given,
// receives the inks and profile of the image.
ImageResult<QImage> CreateImageFromXObject(QPDFObjectHandle dict, QPDFObjectHandle stream,
                                           QPDFObjectHandle colorSpaces, bool keepAlpha,
                                           PDFImageColour* colour = nullptr);

}  // namespace glimbrik
