#pragma once

// Sample helpers of PDF image extraction: unpacking packed samples, decode ranges and indexed
// colour lookup. All sizes come from the file and are checked against the data here.

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace glimbrik {

// The raw sample values (0 .. 2^bits - 1; 16-bit samples read big-endian) of height rows of
// samplesPerRow samples each; every row starts on a byte boundary, so its fill bits are skipped.
// Empty when data holds fewer rows or bits is not 1, 2, 4, 8 or 16.
std::vector<uint16_t> UnpackImageSamples(const QByteArray& data, int64_t samplesPerRow,
                                         int64_t height, int bits);

// Maps raw samples (16-bit ones by their high-order byte) through decode ranges (one Dmin, Dmax
// pair per component, cycling; the default [0 1] when the array is short) to bytes 0..255.
QByteArray ApplyDecodeArray(const std::vector<uint16_t>& samples, int components, int bits,
                            const std::vector<double>& decode);

// Indexed samples to base-space bytes: each sample, mapped through decode ranges (default
// [0 2^bits-1]), is an index held to 0..hival into palette (k bytes per entry). Empty when the
// palette is shorter than (hival + 1) x k.
QByteArray ExpandIndexedImage(const std::vector<uint16_t>& samples, int bits,
                              const std::vector<double>& decode, const QByteArray& palette,
                              int hival, int k);

}  // namespace glimbrik
