#pragma once

// An ICC-backed colour space (lcms2 under the hood). Images in memory are RGB or grey QImages;
// CMYK exists only at the file boundary: decoders turn CMYK into RGB, encoders turn RGB into CMYK.
// The one exception is a CMYK source kept in its own space, whose inks travel beside the picture
// as they are (pixels/cmyk_inks.h, codecs/cmyk_source_inks.h) and reach the encoder through
// DestinationProperties::cmykSamples.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

namespace glimbrik {

enum class ColorModel { RGB, Gray, CMYK, Lab, Indexed };

class ColorSpace {
 public:
  // Null when the bytes are not a usable ICC profile.
  static std::shared_ptr<const ColorSpace> FromIccProfile(const QByteArray& icc);
  static std::shared_ptr<const ColorSpace> FromFile(const QString& path);
  // "Calibrated RGB" and "device RGB" both stand for sRGB here.
  static std::shared_ptr<const ColorSpace> SRGB();
  static std::shared_ptr<const ColorSpace> DeviceGray();
  // A CMYK space without a profile of its own: a fixed naive separation (under-colour removal).
  static std::shared_ptr<const ColorSpace> DeviceCMYK();

  ColorModel model() const { return model_; }
  int componentCount() const;
  // The profile's bytes; empty for the device spaces that have none.
  const QByteArray& iccProfile() const { return icc_; }
  QString description() const { return description_; }

  // Interleaved 8-bit CMYK (0 = no ink) of the same size as the image, alpha ignored; the image's
  // own colour space, when it has one, is the source profile. Empty when the model is not CMYK.
  QByteArray rgbToCmyk(const QImage& image) const;
  // RGB image from interleaved 8-bit CMYK rows in this space (or the device space).
  QImage cmykToRgb(const uchar* cmyk, int width, int height, qsizetype bytesPerLine) const;
  // The image converted into this RGB or grey space, tagged with it; a null image on failure.
  QImage convertImage(const QImage& image) const;

  ColorSpace(ColorModel model, QByteArray icc, QString description);

 private:
  ColorModel model_;
  QByteArray icc_;
  QString description_;
};

// Pixels of one colour space as linear light with the sRGB primaries and white point, the
// convention of floating-point image files; values out of gamut are kept, not clipped.
class LinearLightTransform {
 public:
  // For pixels in the space of icc (sRGB when empty); null when the profile is neither RGB nor
  // grey or cannot be read.
  static std::unique_ptr<LinearLightTransform> FromProfile(const QByteArray& icc);
  ~LinearLightTransform();
  // The rows handed to convertRow are Format_Grayscale16 for a grey space, else straight
  // Format_RGBA64.
  QImage::Format rowFormat() const;
  // One row of rowFormat() to interleaved RGB floats.
  void convertRow(const uchar* row, float* rgb, int width) const;

 private:
  struct State;
  explicit LinearLightTransform(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Profiles of calibrated spaces as PDF files describe them: the white point and the matrix
// (the XYZ of the red, green and blue primaries, primary by primary) in CIE XYZ, and a gamma per
// channel. Empty when no profile can be made of the values.
QByteArray CalibratedRGBProfile(const double whitePoint[3], const double gamma[3],
                                const double matrix[9]);
QByteArray CalibratedGrayProfile(const double whitePoint[3], double gamma);

// The profile's description text (its English entry); empty when the bytes are no readable
// profile.
QString IccProfileDescription(const QByteArray& icc);

}  // namespace glimbrik
