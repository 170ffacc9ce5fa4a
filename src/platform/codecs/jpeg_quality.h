#pragma once

// The quality setting a JPEG was most likely written with, read from its quantisation tables.

#include <QByteArray>

namespace glimbrik {

// 1-100 on the common 0-100 encoder scale, from the luminance table's nearest match to the
// scaled standard table; -1 when the bytes hold no usable table.
int EstimateJPEGQuality(const QByteArray& jpeg);

}  // namespace glimbrik
