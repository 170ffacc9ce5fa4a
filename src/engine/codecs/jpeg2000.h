#pragma once

// Decoding of JPEG 2000 codestreams and JP2 files held in memory (streams of PDF pages).

#include <QByteArray>

namespace glimbrik {

// Decodes `data` (a J2K codestream when it starts FF 4F, else a JP2 file) into 8-bit interleaved
// pixels, rows top to bottom, (colour components + alpha) bytes per pixel. *colourCode: when 0 on
// entry it becomes 1 (grey), 2 (RGB) or 3 (four colour components). *components receives the
// image's total component count; *iccProfile the embedded profile (empty when none). The two
// `unused` pointers are left alone. Returns 0, or -1 with *pixels empty.
int DecodeJPEG2000Data(const QByteArray& data, QByteArray* pixels, void* unused1, void* unused2,
                       int* colourCode, int* components, QByteArray* iccProfile);

}  // namespace glimbrik
