#pragma once

// Rebuilding one image of a PDF page from its objects: filters, colour space, decode ranges,
// indexed and tint-transformed colours and masks.

#include <QImage>

class QPDFObjectHandle;

namespace glimbrik {

// The image of an image XObject (or an inline image's dictionary and data stream), or null when
// it cannot be rebuilt. colorSpaces is the page's "ColorSpace" resource dictionary (for named
// spaces); masks are applied only with keepAlpha.
QImage CreateImageFromXObject(QPDFObjectHandle dict, QPDFObjectHandle stream,
                              QPDFObjectHandle colorSpaces, bool keepAlpha);

}  // namespace glimbrik
