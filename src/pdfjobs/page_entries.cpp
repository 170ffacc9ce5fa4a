#include "engine/convert/image_converter.h"
#include "pdfjobs/image_extraction/pdf_image_extractor.h"
#include "pdfjobs/pdf_jobs.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

namespace {

// Opens the record's PDF in the converter; false when it cannot be opened or stays locked.
bool OpenRecordPDF(ImageConverter& converter, const ImageConversion& record) {
  converter.setPassword(record.options.password);
  if (!converter.openPDFDocument(record.sourceURL)) return false;
  // A file with only an owner password is open already: its empty user password was tried first.
  return !converter.isPDFEncrypted() || !converter.pdfDocument->isLocked() || converter.unlockPDF();
}

void ApplyRecordOutput(ImageConverter& converter, const ImageConversion& record) {
  converter.setOutputNaming(record.outputBaseName, record.offsetPageNumbers,
                            record.overwriteExisting);
  converter.setProgressCallback(record.progress);
  converter.setOutputOptions(record.options.outputType, record.destinationURL, nullptr, false,
                             false, record.options.quality);
}

}  // namespace

int ConvertPDFToImages(ImageConversion* record) {
  if (!record || record->sourceURL.isEmpty() || record->destinationURL.isEmpty()) return 0;
  ImageConverter converter;
  if (!OpenRecordPDF(converter, *record)) return 0;
  ApplyRecordOutput(converter, *record);
  converter.setPageRange(record->options.firstPage, record->options.lastPage,
                         record->options.pageRangeMode);
  converter.setResolution(record->options.resolution, record->options.resolution);
  converter.colorModel = record->options.colorModel;
  // A CMYK profile the caller chose is the target of CMYK pages; other profiles play no part.
  const std::shared_ptr<const ColorSpace>& chosen = record->options.colorSpace;
  if (chosen && chosen->model() == ColorModel::CMYK) converter.colorSpace = chosen;
  converter.setUseAllProcessors(record->useAllProcessors);
  return converter.renderPDFPages(record->resizeEnabled, record->resize) ? 1 : 0;
}

int ExtractImagesFromPDF(ImageConversion* record) {
  if (!record || record->sourceURL.isEmpty() || record->destinationURL.isEmpty()) return 0;
  PDFImageExtractor extractor;
  if (!OpenRecordPDF(extractor, *record)) return 0;
  ApplyRecordOutput(extractor, *record);
  extractor.setPageSelection(record->options.pageRangeMode, record->options.firstPage,
                             record->options.lastPage);
  return extractor.extractPages() ? 1 : 0;
}

}  // namespace glimbrik
