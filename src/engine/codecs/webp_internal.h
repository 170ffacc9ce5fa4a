#pragma once

// Pieces of the WebP bridge that speak libwebp types; included only by the bridge's own files.

#include <webp/decode.h>
#include <webp/encode.h>

#include <cstdio>
#include <memory>

#include "engine/codecs/webp_bridge.h"

namespace glimbrik {

struct FileCloser {
  void operator()(FILE* file) const {
    if (file != stdout) std::fclose(file);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Reads a PNG, JPEG or TIFF file (told apart by its first bytes) into the picture as 8-bit RGB or
// RGBA, collecting metadata when `metadata` is given. 1 on success, else 0.
int ReadInputPicture(const char* path, WebPPicture* picture, int keepAlpha,
                     webp::ImageMetadata* metadata);
int ReadPngInput(FILE* file, WebPPicture* picture, int keepAlpha, webp::ImageMetadata* metadata);
int ReadJpegInput(FILE* file, WebPPicture* picture, webp::ImageMetadata* metadata);
int ReadTiffInput(const char* path, WebPPicture* picture, int keepAlpha,
                  webp::ImageMetadata* metadata);

// Writes the encoded bitstream as a WebP file with the selected metadata chunks. 1 or 0.
int WriteWebPFileWithMetadata(FILE* out, const WebPPicture& picture,
                              const WebPMemoryWriter& bitstream,
                              const webp::ImageMetadata& metadata, int flags, int* flagsWritten);

// Output formats of SaveDecodedImage.
enum DecodedImageFormat {
  kDecodedPNG = 0,
  kDecodedPAM = 1,
  kDecodedPPM = 2,
  kDecodedPGMYUV = 3,
  kDecodedBMP = 4,
  kDecodedTIFF = 5,
  kDecodedRawYUV = 6,
  kDecodedAlphaPGM = 7,
};

// Writes a decoded buffer to path ("-" = standard output) in the given format. 1 or 0.
int SaveDecodedImage(const WebPDecBuffer& buffer, int format, const char* path);

}  // namespace glimbrik
