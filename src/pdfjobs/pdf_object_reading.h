#pragma once

// Small readers over qpdf object handles. Every qpdf exception ends here as an empty result.

#include <QByteArray>
#include <vector>

class QPDFObjectHandle;

namespace glimbrik {

// The numbers of an array (other elements read as 0); empty for anything but an array.
std::vector<double> ReadNumberArray(QPDFObjectHandle array);
// A number or 0.
double ReadNumber(QPDFObjectHandle object, double fallback = 0.0);

// The stream's data with its general-purpose filters (Flate, LZW, ASCII85, ASCIIHex, RunLength)
// removed. *filter receives the first filter left on the data ("" when none): "DCTDecode",
// "JPXDecode", "CCITTFaxDecode" or "JBIG2Decode"; their parameters are in *parameters. False when
// the data cannot be read.
bool ReadStreamData(QPDFObjectHandle stream, QByteArray* data, std::string* filter,
                    QPDFObjectHandle* parameters);

}  // namespace glimbrik
