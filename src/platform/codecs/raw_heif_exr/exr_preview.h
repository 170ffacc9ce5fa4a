#pragma once

// A small picture of an OpenEXR file for the image list; such files are listed, not converted.

#include <QImage>
#include <QString>
#include <optional>

namespace glimbrik {

struct ExrPreview {
  QImage image;   // sRGB, straight alpha, fitted into the box asked for
  int width = 0;  // the whole picture's pixel size
  int height = 0;
  double dpi = 72.0;  // horizontal, as the file states it; 72 when it does not
};

// None for a file that is not OpenEXR, is damaged or exceeds the decoding limits.
std::optional<ExrPreview> ReadExrPreview(const QString& path, int maxSide);

}  // namespace glimbrik
