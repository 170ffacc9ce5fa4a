#pragma once

// CCITT Group 3 and 4 fax data, decoded through libtiff: the streams of PDF fax images and the
// pixels of raw fax files.

#include <QByteArray>

namespace glimbrik {

// How the data is coded, as a PDF fax filter states it.
struct CcittParameters {
  int k = 0;           // < 0 Group 4, 0 one-dimensional Group 3, > 0 mixed Group 3
  int columns = 1728;  // pixels per line
  int rows = 0;        // lines coded; 0 means the height asked for
  bool encodedByteAlign = false;
  bool blackIs1 = false;
};

// Decodes data into 1-bit rows of width pixels (0 = black unless blackIs1). False when the
// parameters do not fit the size asked for or libtiff refuses them.
bool DecodeCCITTFax(const QByteArray& data, const CcittParameters& parameters, int width,
                    int height, QByteArray* rows);

}  // namespace glimbrik
