#include "pdfjobs/assembly/pdf_page_assembler.h"

#include <QFile>
#include <algorithm>
#include <cmath>

#include "engine/convert/image_converter.h"
#include "engine/files/file_utils.h"
#include "pdfjobs/assembly/source_inks.h"
#include "pdfjobs/job_progress.h"
#include "platform/codecs/jpeg_quality.h"
#include "platform/pdf/pdf_builder.h"

namespace glimbrik {

int64_t ItemRotationAngle(const QVariant& angle) {
  bool ok = false;
  const qlonglong a = angle.toLongLong(&ok);
  return ok && a >= -270 && a <= 270 && a % 90 == 0 ? a : 0;
}

QRectF PDFPageAssembler::pageRect() const {
  if (pageSizeMode == 0) return {};
  return orientation == 1 ? QRectF(0, 0, double(pageHeight), double(pageWidth))
                          : QRectF(0, 0, double(pageWidth), double(pageHeight));
}

namespace {

// The type an image is encoded as for its page. A page embeds JPEG and JPEG 2000 data as they
// are and every other image as its pixels; OpenEXR, ICNS, PDF, SGI and WebP data cannot be read
// back for that (or never reach the page), so those images go as lossless TIFF.
int PageImageType(int imageType) {
  switch (imageType) {
    case 5:
    case 6:
    case 8:
    case 12:
    case 24:
      return 10;
    default:
      return imageType;
  }
}

}  // namespace

void PDFPageAssembler::configureConverter(ImageConverter& converter,
                                          ImageResizeOptions* resize) const {
  converter.setOutputOptions(PageImageType(imageType), QString(), nullptr, false, false,
                             imageQuality);
  resize->keepAspectRatio = 1;
  resize->resample = 1;
  resize->allowUpscale = 0;
  resize->unit = 1;
  resize->scaleMode = 0;
  resize->height = 0;
  const QRectF page = pageRect();
  const double printableWidth = page.width() - (leftMargin + rightMargin);
  const double printableHeight = page.height() - (topMargin + bottomMargin);

  resize->width = double(scalePercent);
  converter.fixedResolution = 0;
  if (maxImageDPI > 0) {
    double dpiX = converter.sourceHorizontalDPI(), dpiY = converter.sourceVerticalDPI();
    if (pageSizeMode == 1 && printableWidth > 0 && printableHeight > 0) {
      dpiX = converter.sourcePixelWidth() / printableWidth * 72.0;
      dpiY = converter.sourcePixelHeight() / printableHeight * 72.0;
    }
    if (dpiX > double(maxImageDPI) || dpiY > double(maxImageDPI)) {
      resize->width = double(100.0f * float(maxImageDPI)) / std::max(dpiX, dpiY);
      converter.fixedResolution = double(maxImageDPI);
    }
  }
  converter.colorModel = colorModel;
  converter.keepEncodedData = 1;
  if (pageSizeMode != 0) {
    converter.printBoxWidth = printableWidth;
    converter.printBoxHeight = printableHeight;
  }
  converter.setOrientationFromAngle(rotationAngle);
}

namespace {

// The source file's own JPEG bytes when the converter handed back the same picture and the
// quality asked for is at least the source's: re-encoding an unchanged JPEG then only loses
// quality, while a lower quality asks for the smaller file.
QByteArray UnchangedJPEG(const ImageConverter& converter, const QByteArray& encoded,
                         double quality) {
  const ImageSource* source = converter.sourceImage.get();
  if (!source || source->format() != ImageFormat::JPEG || source->count() != 1) return {};
  if (std::lround(quality * 100.0) < EstimateJPEGQuality(source->data())) return {};
  const ImageRepresentation& own = source->representation(0);
  if (own.orientation > 1 || converter.orientation > 1 || converter.colorModel != 0) return {};
  const std::shared_ptr<ImageSource> result = ImageSource::FromData(encoded);
  if (!result->isValid() || result->format() != ImageFormat::JPEG) return {};
  const ImageRepresentation& rep = result->representation(0);
  if (rep.pixelWidth != own.pixelWidth || rep.pixelHeight != own.pixelHeight ||
      rep.dpiX != own.dpiX || rep.dpiY != own.dpiY || rep.colorModel != own.colorModel) {
    return {};
  }
  // A deep copy: the source's bytes may be a map that ends with the converter.
  return QByteArray(source->data().constData(), source->data().size());
}

}  // namespace

void PDFPageAssembler::insertImagePage(const ImageConverter& converter, const QByteArray& data) {
  if (!document) return;
  QByteArray encoded;
  if (imageType == 0 || imageType == 4) encoded = UnchangedJPEG(converter, data, imageQuality);
  if (encoded.isEmpty()) encoded = EncodedWithSourceInks(converter, data);
  if (encoded.isEmpty()) encoded = data;
  PdfImageInfo info;
  if (!ReadPdfImageInfo(encoded, std::max(1, converter.orientation), &info)) return;
  const QSizeF image = info.pointSize();
  QRectF media(QPointF(0, 0), image), crop = media;
  QPointF origin(0, 0);
  if (pageSizeMode != 0) {
    const QRectF page = pageRect();
    const double printableHeight = page.height() - topMargin - bottomMargin;
    const double printableWidth = page.width() - leftMargin - rightMargin;
    double mediaWidth = page.width(), mediaHeight = page.height(), cropX = 0;
    if (!keepPageWidth && printableWidth > image.width()) {
      const double free = printableWidth - image.width();
      mediaWidth = page.width() + free;
      cropX = free;
    }
    if (!keepPageHeight && printableHeight > image.height()) {
      mediaHeight = page.height() + (printableHeight - image.height());
    }
    media = QRectF(0, 0, mediaWidth, mediaHeight);
    crop = QRectF(cropX, 0, page.width(), page.height());
    // Centred in the printable part of the visible page.
    origin = QPointF(cropX + leftMargin + (printableWidth - image.width()) / 2.0,
                     bottomMargin + (printableHeight - image.height()) / 2.0);
  }
  if (!document->insertImagePage(int(pageIndex), encoded, info, media, crop, origin)) return;
  ++pageIndex;
  pageAdded = true;
}

bool PDFPageAssembler::addImageFile(const QString& url, PdfBuilder* target, int64_t* index,
                                    const QVariant& angle) {
  document = target;
  pageIndex = index ? *index : 0;
  pageAdded = false;
  rotationAngle = ItemRotationAngle(angle);
  const QRectF page = pageRect();
  // Margins that leave no printable area fail the image instead of placing it nowhere.
  const bool printable = pageSizeMode == 0 || (page.width() - leftMargin - rightMargin > 0 &&
                                               page.height() - topMargin - bottomMargin > 0);
  if (printable && !url.isEmpty()) {
    ImageConverter converter;
    if (converter.loadSource(url)) {
      ImageResizeOptions resize;
      configureConverter(converter, &resize);
      converter.dataHandler = [this, &converter](const QByteArray& data, void*) {
        insertImagePage(converter, data);
      };
      // Each further representation is measured again; the record is the converter's own
      // working copy, so filling it here is what the next target size reads.
      converter.sizeHandler = [this](ImageConverter& c, const ImageResizeOptions& r, void*) {
        configureConverter(c, const_cast<ImageResizeOptions*>(&r));
      };
      converter.process(resize);
    }
  }
  if (index) *index = pageIndex;
  return pageAdded;
}

bool PDFPageAssembler::convertEach() {
  bool result = true;
  for (const QVariantMap& item : items) {
    if (item.isEmpty()) continue;
    const QString path = item.value(QStringLiteral("FilePath")).toString();
    PdfBuilder pdf;
    ReportJobProgressAndWait(progressCallback, 3);
    int64_t index = 0;
    bool written = false;
    if (addImageFile(path, &pdf, &index, item.value(QStringLiteral("Angle")))) {
      const QString destination =
          UniqueFileURLForItem(destinationURL, path, QStringLiteral("pdf"), false);
      written = !destination.isEmpty() && pdf.write(destination, pdfDocumentAttributes);
    }
    result = result && written;
    if (IsJobCancelled(progressCallback)) return false;
  }
  return result;
}

bool PDFPageAssembler::convertToSinglePDF() {
  PdfBuilder pdf;
  int64_t index = 0;
  bool result = true;
  for (const QVariantMap& item : items) {
    if (item.isEmpty()) continue;
    ReportJobProgressAndWait(progressCallback, 3);
    result = addImageFile(item.value(QStringLiteral("FilePath")).toString(), &pdf, &index,
                          item.value(QStringLiteral("Angle"))) &&
             result;
    if (IsJobCancelled(progressCallback)) return false;
  }
  if (pdf.pageCount() == 0) return items.isEmpty();
  ReportJobProgressAndWait(progressCallback, 6);
  const bool written = pdf.write(destinationURL, pdfDocumentAttributes);
  ReportJobProgressAndWait(progressCallback, 7);
  return written && result;
}

}  // namespace glimbrik
