#pragma once

// Saves every image that the selected pages of a PDF draw (image XObjects, images inside form
// XObjects and inline images) as its own file in the converter's output type.

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

#include "engine/convert/image_converter.h"

class QPDF;
class QPDFObjectHandle;

namespace glimbrik {

class PDFImageExtractor : public ImageConverter {
 public:
  PDFImageExtractor();
  ~PDFImageExtractor();

  void setPageSelection(int32_t mode, int64_t first, int64_t last);
  // False when an image's data could not be decoded or the image not be written; true for pages
  // without images and on cancel.
  bool extractPages();
  // The same over a document already open (sourceURL still names the files).
  bool extractPages(QPDF& pdf);
  // Saves one rebuilt image as namePrefix + imageCounter.
  void saveXObjectImage(QPDFObjectHandle dict, QPDFObjectHandle stream);

  QString namePrefix;  // "<base>_Page<n>_" of the current page
  int64_t imageCounter = 0;
  bool failed = false;  // an image could not be decoded or written

 private:
  struct State;
  void scanPageResources(QPDFObjectHandle page);
  std::unique_ptr<State> state_;
};

}  // namespace glimbrik
