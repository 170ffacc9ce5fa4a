#pragma once

// Writing a page or an extracted image with what the QImage cannot carry: its own CMYK inks and
// a grey profile.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

namespace glimbrik {

class ColorSpace;
class ImageConverter;

// Encodes image as the converter's output type and writes it to url. cmyk (width x height x 4,
// 0 = no ink) is written as it is where the output stores CMYK; profile is embedded when the
// converter names no colour space of its own. False when encoding or writing fails.
bool SaveImageWithInks(const ImageConverter& converter, const QImage& image, const QString& url,
                       const QByteArray& cmyk,
                       const std::shared_ptr<const ColorSpace>& profile = nullptr);

}  // namespace glimbrik
