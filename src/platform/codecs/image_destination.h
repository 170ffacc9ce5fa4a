#pragma once

// Writing images: one call encodes one QImage into the bytes of a file of the given type
// identifier, with the properties the converter chose. Several images go into one PDF through
// PdfAssembler.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "platform/codecs/image_source.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

struct DestinationProperties {
  int orientation = 0;    // EXIF orientation written when not 0
  bool hasAlpha = false;  // keep the alpha channel where the format can hold one
  double dpiX = 0.0;      // written when either is not 0
  double dpiY = 0.0;
  int tiffCompression = 0;             // 5 = LZW; 0 = the encoder's default (LZW as well)
  std::optional<double> lossyQuality;  // 0.0-1.0
  // Metadata copied from the source; the EXIF block is already fixed for this output (see
  // metadata_write.h). Only formats that can carry it get it.
  std::optional<MetadataBlocks> metadata;
  // Pixels are stored in this space's model (CMYK or grey conversions happen here). Null keeps
  // the image's own model; an ICC space is embedded.
  std::shared_ptr<const ColorSpace> colorSpace;
  // The image's own inks (interleaved CMYK bytes, 0 = no ink, width x height x 4) where a CMYK
  // space would otherwise separate them from its pixels.
  QByteArray cmykSamples;
};

// Whether EncodeImage has an encoder for the type identifier.
bool CanEncodeType(const QString& typeIdentifier);

// Encodes the image; fails with a reason for types without an encoder and for empty images.
ImageResult<QByteArray> EncodeImage(const QImage& image, const QString& typeIdentifier,
                                    const DestinationProperties& properties);

// A PDF built page by page, each page the image at its print size (pixels x 72 / dpi).
class PdfAssembler {
 public:
  PdfAssembler();
  ~PdfAssembler();
  PdfAssembler(const PdfAssembler&) = delete;
  PdfAssembler& operator=(const PdfAssembler&) = delete;

  bool addPage(const QImage& image, double dpiX, double dpiY);
  int pageCount() const;
  // The document's bytes; the assembler is finished afterwards.
  QByteArray finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace glimbrik
