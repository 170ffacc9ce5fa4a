#pragma once

// Turns image files into PDF pages: each image goes through its own ImageConverter with the
// assembler's output settings, and every encoded representation becomes one page.

#include <QRectF>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <cstdint>

#include "engine/convert/conversion_records.h"
#include "pdfjobs/page_settings.h"
#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

class ImageConverter;
class PdfBuilder;

// The rotation an item's "Angle" asks for: a multiple of 90 within -270..270, else 0.
int64_t ItemRotationAngle(const QVariant& angle);

class PDFPageAssembler {
 public:
  // The page and image settings of an images or a files job; only the images job brings its
  // items.
  template <typename Options>
  void setOptions(const Options& options) {
    CopyPageSettings(options, this);
    imageQuality = options.imageQuality;
    imageType = options.imageType;
    colorModel = options.colorModel;
    pageSizeMode = options.pageSizeMode;
    keepPageWidth = options.keepPageWidth != 0;
    keepPageHeight = options.keepPageHeight != 0;
    maxImageDPI = options.maxImageDPI;
    scalePercent = options.scalePercent;
    if constexpr (std::is_same_v<Options, ImagesToPDFConversionOptions>) {
      items = options.items;
      destinationURL = options.destinationURL;
    }
  }

  // Adds one page per representation of the image file at *pageIndex onwards, advancing it.
  // True when at least one page was added.
  bool addImageFile(const QString& url, PdfBuilder* document, int64_t* pageIndex,
                    const QVariant& angle = QVariant());

  // One PDF per item in the destination folder; false when any item failed.
  bool convertEach();
  // Every item into the destination file.
  bool convertToSinglePDF();

  QRectF pageRect() const;
  void configureConverter(ImageConverter& converter, ImageResizeOptions* resize) const;

  JobItemList items;
  QString destinationURL;
  ProgressCallbackInfo progressCallback;
  double imageQuality = 0.0;
  int32_t imageType = 0;
  int32_t colorModel = 0;
  int32_t pageSizeMode = 0;
  uint64_t pageWidth = 0;
  uint64_t pageHeight = 0;
  double leftMargin = 0.0;
  double rightMargin = 0.0;
  double topMargin = 0.0;
  double bottomMargin = 0.0;
  uint64_t orientation = 0;
  uint64_t scalePercent = 0;
  int64_t maxImageDPI = 0;
  QVariantMap pdfDocumentAttributes;
  bool pageAdded = false;
  PdfBuilder* document = nullptr;
  int64_t pageIndex = 0;
  int64_t rotationAngle = 0;
  bool keepPageWidth = false;
  bool keepPageHeight = false;

 private:
  void insertImagePage(const ImageConverter& converter, const QByteArray& data);
};

}  // namespace glimbrik
