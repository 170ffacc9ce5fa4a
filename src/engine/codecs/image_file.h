#pragma once

// One image file: its first image and the header facts the image list and the preview show
// (displayed size, resolution, orientation), plus a writing half that saves the image again.

#include <QImage>
#include <QString>
#include <optional>

#include "platform/metadata/image_header.h"

class QPainter;

namespace glimbrik {

// What an image destination is given for a save.
struct ImageFileDestinationProperties {
  int orientation = 0;                 // written when not 0
  bool hasAlpha = false;               // output types 2, 3 and 7
  int tiffCompression = 0;             // 5 (LZW) for types 10, 13 and 23, else not set
  std::optional<double> lossyQuality;  // types 3 and 4
};

class ImageFile {
 public:
  ImageFile() = default;

  // Reads the file's header and decodes its first image. False (and no image) for anything that
  // is not a readable image.
  bool load(const QString& url);

  // Displayed pixel size: exchanged for orientations 5 to 8; 0 without an image.
  int width() const;
  int height() const;
  // 72 without an image or when the file states no resolution.
  double dpiWidth() const;
  double dpiHeight() const;
  int orientation() const { return orientation_; }
  const QImage& image() const { return image_; }
  const std::optional<ImageHeader>& properties() const { return properties_; }

  bool scaleByPercent(double percent);
  // Redraws the image at the given size (whole pixels, at least 1 each) as opaque 8-bit RGB.
  bool redrawToSize(double width, double height);

  // The WebP pixel size of the file at url; false for an unreadable, empty or non-WebP file.
  static bool GetWebPFileSize(const QString& url, int* width, int* height);

  void setOutput(int type, const QString& url, double quality);
  void setQuality(double quality) { quality_ = quality; }
  void setOutputType(int type) { outputType_ = type; }
  void setDestinationURL(const QString& url) { destinationURL_ = url; }
  void setOrientation(int orientation) { orientation_ = orientation; }

  QString outputUTI() const;
  ImageFileDestinationProperties createDestinationProperties() const;

  // Type 12 through saveSGI, type 8 through savePDF, every other type through an image writer.
  bool save();
  bool savePDF();
  bool saveSGI();
  // Draws the image at (0, 0) with its size in points (pixels / dpi x 72).
  bool drawInContext(QPainter& painter) const;

 private:
  QImage image_;
  std::optional<ImageHeader> properties_;
  double quality_ = 0.0;
  int outputType_ = 4;
  QString destinationURL_;
  int orientation_ = 0;
};

}  // namespace glimbrik
