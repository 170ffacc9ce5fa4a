#pragma once

// JPEG encoding into and decoding from memory buffers of 8-bit interleaved pixels (rows top to
// bottom, no padding between rows). Every libjpeg error ends in a failure result, never in an
// exit of the process.

#include <cstddef>
#include <cstdint>

namespace glimbrik {

// Colour spaces of EncodeJPEGToMemory (libjpeg's J_COLOR_SPACE values).
inline constexpr int kJPEGColourSpaceGray = 1;
inline constexpr int kJPEGColourSpaceRGB = 2;
inline constexpr int kJPEGColourSpaceCMYK = 4;

// Colour codes returned by DecodeJPEGFromMemory.
inline constexpr int kJPEGColourCodeGray = 1;
inline constexpr int kJPEGColourCodeRGB = 2;
inline constexpr int kJPEGColourCodeCMYK = 4;

// Encodes width x height pixels of `components` bytes each into a new buffer that the caller
// frees with std::free. CMYK is given as ink amounts (0 = no ink) and stored Adobe-inverted with
// an Adobe marker, as other programs expect. A JFIF header carries the DPI (truncated).
// Returns false, with *buffer null and *size 0, for bad arguments (a side of 0 or above 65,500,
// components not matching the colour space) or any libjpeg error.
bool EncodeJPEGToMemory(uint32_t width, uint32_t height, const uint8_t* pixels, int colourSpace,
                        int components, uint8_t** buffer, unsigned long* size, int quality,
                        double dpiX, double dpiY);

// Decodes a JPEG held in memory. Returns 0 with *pixels (free with std::free), *pixelBytes,
// *width, *height and *colourCode set; the DPI outputs are set only when the file states a
// density unit (dots per inch or per centimetre). Returns 1 on failure with *pixels null.
// Data cut short reads as if it ended with an end-of-image marker; a frame far larger than its
// data could fill fails before its pixels are allocated. `unused` is left alone.
// CMYK samples come out as stored (Adobe files hold them inverted).
int DecodeJPEGFromMemory(const uint8_t* data, size_t size, int* colourCode, void* unused,
                         uint8_t** pixels, size_t* pixelBytes, uint32_t* width, uint32_t* height,
                         double* dpiX, double* dpiY);

}  // namespace glimbrik
