#pragma once

#include <QImage>
#include <QString>

#include "support/test_env.h"

namespace glimbrik::test {

// A 96 x 64 picture with gradients and edges.
QImage TestPicture();
// A PNG stored without compression, which every PNG optimiser shrinks.
bool WriteUncompressedPng(const QString& path);
// A baseline JPEG with the encoder's standard tables, which Huffman optimisation shrinks.
bool WritePlainJpeg(const QString& path);
// A GIF carrying a long comment block, which gifsicle drops.
bool WriteWastefulGif(const QString& path);

// Whether both files decode to the same pixels.
bool SamePixels(const QString& a, const QString& b);

}  // namespace glimbrik::test
