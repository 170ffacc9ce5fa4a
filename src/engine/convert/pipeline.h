#pragma once

// The drawing members of ImageConverter's processing road (ImageConverter::processImage lives in
// pipeline.cpp) and the small helpers it is made of.

#include <QImage>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <cstdint>

class QPainter;

namespace glimbrik {

class ImageConverter;
struct TextWatermarkOptions;

// The angle in 0-359 degrees, so that 450 turns as 90 and -90 as 270.
int64_t NormalisedAngle(int64_t angle);

// Whether a rotation of angle degrees is an odd number of quarter turns (450 behaves as 90).
bool IsOddQuarterTurn(int64_t angle);

// An 8-bit alpha image of width x height holding the image's own alpha, placed exactly as the
// image is drawn on the canvas through transform (y-up canvas coordinates) into drawRect.
QImage createGrayMaskImage(const QImage& image, int width, int height, const QTransform& transform,
                           const QRectF& drawRect);

// The image with its alpha channel replaced by the mask's values (same size); colour is kept.
QImage ApplyAlphaMask(const QImage& image, const QImage& mask);

// The text of one text watermark for the converter's current output.
QString WatermarkText(const ImageConverter& converter, const TextWatermarkOptions& record,
                      int width, int height);

// Draws every text watermark in array order (later ones on top), in y-up canvas coordinates.
void drawTextWatermarks(const ImageConverter& converter, QPainter* painter, int width, int height);

// Draws the converter's image watermark on a copy of its settings, so that the offset rescaled
// for this canvas never carries over to the next image.
void drawImageWatermark(const ImageConverter& converter, QPainter* painter, int width, int height);

}  // namespace glimbrik
