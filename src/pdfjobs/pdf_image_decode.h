#pragma once

// Rebuilding one image of a PDF page from its objects: filters, colour space, decode ranges,
// indexed and tint-transformed colours and masks.

#include <QImage>

#include "platform/image_source.h"

class QPDFObjectHandle;

namespace glimbrik {

// The image of an image XObject (or an inline image's dictionary and data stream). A null image
// without an error is one that is skipped (no size, unknown colour space, too little data); the
// error says that the data could not be decoded. colorSpaces is the page's "ColorSpace" resource
// dictionary (for named spaces); masks are applied only with keepAlpha.
ImageResult<QImage> CreateImageFromXObject(QPDFObjectHandle dict, QPDFObjectHandle stream,
                                           QPDFObjectHandle colorSpaces, bool keepAlpha);

}  // namespace glimbrik
