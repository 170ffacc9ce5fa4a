#include <QFileInfo>

#include "engine/convert/image_converter.h"

namespace glimbrik {

namespace {

// The pages are drawn at twice their size in points, and stated at 72 dpi, so that they keep
// their print size's proportions at double the pixels.
constexpr double kPageScale = 2.0;

}  // namespace

DestinationProperties ImageConverter::compressionProperties() const {
  DestinationProperties plain;
  plain.dpiX = dpiX;
  plain.dpiY = dpiY;
  if (outputType == 10 || outputType == 13 || outputType == 23) plain.tiffCompression = 5;
  // Type 13 is a CMYK TIFF whichever road writes it.
  if (outputType == 13) plain.colorSpace = ColorSpace::DeviceCMYK();
  if (outputType == 3 || outputType == 4) plain.lossyQuality = quality;
  return plain;
}

bool ImageConverter::loadPDFImageRep(const QString& url) {
  sourceURL = url;
  pdfImageRep = PdfDocument::Open(url);
  return pdfImageRep != nullptr;
}

bool ImageConverter::encodeBitmapToData(QByteArray* data) {
  if (!data || !sourceImage || sourceImage->count() == 0) return false;
  if (!currentRep) makeCurrent(0);
  ImageResult<QImage> decoded = decodeRepresentation(currentRepIndex, QSize());
  if (!decoded.ok()) return false;
  if (keepSourceResolution) {
    dpiX = currentRep->dpiX;
    dpiY = currentRep->dpiY;
  }
  if (keepSourceResolution && IsBitmapRepType(outputType)) {
    ImageResult<QByteArray> encoded = EncodeImage(
        decoded.value, OutputTypeIdentifier(BitmapFileType(outputType)), compressionProperties());
    if (!encoded.ok()) return false;
    *data = std::move(encoded.value);
    return !data->isEmpty();
  }
  return encodeToData(decoded.value, data) && !data->isEmpty();
}

bool ImageConverter::savePDFImageRepPages() {
  if (!pdfImageRep || pdfImageRep->pageCount() == 0) return false;
  const QString folder = destinationURL;
  const QString baseName = QFileInfo(sourceURL).completeBaseName();
  const QString extension = ExtensionForImageType(outputType);
  bool result = true;
  for (int page = 1; page <= pdfImageRep->pageCount(); ++page) {
    QString path =
        QStringLiteral("%1/%2-%3").arg(folder, baseName).arg(page, 3, 10, QLatin1Char('0'));
    if (!extension.isEmpty()) path += QLatin1Char('.') + extension;
    QImage drawn = pdfImageRep->renderPage(page - 1, 72.0 * kPageScale);
    QByteArray tiff;
    if (!drawn.isNull()) {
      drawn.setDotsPerMeterX(qRound(72.0 / 0.0254));
      drawn.setDotsPerMeterY(qRound(72.0 / 0.0254));
      DestinationProperties plain;
      plain.dpiX = plain.dpiY = 72.0;
      ImageResult<QByteArray> encoded = EncodeImage(drawn, OutputTypeIdentifier(10), plain);
      if (encoded.ok()) tiff = std::move(encoded.value);
    }
    std::shared_ptr<ImageSource> pageSource = ImageSource::FromData(tiff);
    if (tiff.isEmpty() || !pageSource->isValid()) {
      result = false;
      continue;
    }
    sourceImage = std::move(pageSource);
    sourceReps = sourceImage->representations();
    sourceMetadata_.reset();
    destinationURL = path;
    result = convertAndSave() && result;
    sourceImage.reset();
    sourceReps.clear();
    currentRep = nullptr;
    currentRepIndex = -1;
  }
  destinationURL = folder;
  return result;
}

}  // namespace glimbrik
