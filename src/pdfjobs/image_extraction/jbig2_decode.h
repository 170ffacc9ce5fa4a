#pragma once

// JBIG2 data of a PDF image (embedded stream, optional global segments), decoded by jbig2dec.

#include <QByteArray>

namespace glimbrik {

// Decodes the page into 1-bit rows of width pixels with 0 = black, as DeviceGray reads them.
// False when the data does not decode to a page of exactly width x height.
bool DecodeJBIG2(const QByteArray& data, const QByteArray& globals, int width, int height,
                 QByteArray* rows);

}  // namespace glimbrik
