#pragma once

#include <QString>

#include "engine/convert/conversion_records.h"

namespace glimbrik::test {

// A record that converts source into destination as outputType and nothing else.
inline ImageConversion ConversionRecord(const QString& source, const QString& destination,
                                        int outputType, double quality = 0.8) {
  ImageConversion c;
  c.sourceURL = source;
  c.destinationURL = destination;
  c.options.outputType = outputType;
  c.options.quality = quality;
  return c;
}

// Proportional scaling by percent, fitted into the box: at 100 it keeps the pixel size.
inline ImageResizeOptions PercentFit(double percent) {
  ImageResizeOptions r;
  r.keepAspectRatio = 1;
  r.resample = 1;
  r.unit = 1;
  r.width = r.height = percent;
  r.scaleMode = 2;
  return r;
}

// Proportional scaling into a width x height pixel box.
inline ImageResizeOptions PixelFit(double width, double height) {
  ImageResizeOptions r = PercentFit(0);
  r.unit = 2;
  r.width = width;
  r.height = height;
  return r;
}

}  // namespace glimbrik::test
