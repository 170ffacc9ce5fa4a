#pragma once

// CCITT Group 3 and 4 fax data of a PDF image, decoded through libtiff.

#include <QByteArray>

class QPDFObjectHandle;

namespace glimbrik {

// Decodes data with the filter's parameters (K, Columns, Rows, EncodedByteAlign, BlackIs1) into
// the filter's 1-bit rows of width pixels: 0 = black unless BlackIs1. False on failure.
bool DecodeCCITTFax(const QByteArray& data, QPDFObjectHandle parameters, int width, int height,
                    QByteArray* rows);

}  // namespace glimbrik
