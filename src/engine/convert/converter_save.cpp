#include <QDir>
#include <QFileInfo>
#include <cstdlib>

#include "engine/codecs/jpeg_memory.h"
#include "engine/codecs/sgi_image.h"
#include "engine/codecs/webp_bridge.h"
#include "engine/convert/image_converter.h"
#include "engine/files/file_utils.h"
#include "platform/codecs/cmyk_source_inks.h"
#include "platform/store/atomic_write.h"

namespace glimbrik {

bool ImageConverter::writeFile(const QString& path, const QByteArray& data) const {
  if (path.isEmpty() || data.isEmpty()) return false;
  // Written beside the target and renamed over it, so that a failure leaves no partial file.
  if (!WriteFileAtomically(path, data)) return false;
  applyFileDates(path);
  return true;
}

void ImageConverter::applyFileDates(const QString& path) const {
  // Only the modification date can be set here; the creation date is the file system's.
  if (!fileAttributes || !fileAttributes->modificationDate) return;
  QFile written(path);
  if (written.open(QIODevice::ReadWrite)) {
    written.setFileTime(*fileAttributes->modificationDate, QFileDevice::FileModificationTime);
  }
}

bool ImageConverter::encodeToData(const QImage& image, QByteArray* data) const {
  return encodeAs(image, outputType, data);
}

bool ImageConverter::encodeAs(const QImage& image, int type, QByteArray* data) const {
  if (!data) return false;
  ImageResult<QByteArray> encoded =
      EncodeImage(image, OutputTypeIdentifier(type), destinationPropertiesFor(type, image.size()));
  if (!encoded.ok()) return false;
  *data = std::move(encoded.value);
  return true;
}

bool ImageConverter::createImageFromData(const QByteArray& data, QImage* image) const {
  const std::shared_ptr<ImageSource> source = ImageSource::FromData(data);
  if (!source->isValid() || !image) return false;
  ImageResult<QImage> decoded = source->decode(0);
  if (!decoded.ok()) return false;
  *image = std::move(decoded.value);
  return true;
}

bool ImageConverter::saveThroughTiff(const QImage& image, const QString& url) {
  QByteArray tiff;
  const bool encoded = encodeAs(image, 10, &tiff);
  QImage again;
  return encoded && createImageFromData(tiff, &again) && saveImage(again, url);
}

bool ImageConverter::saveImage(const QImage& image, const QString& url) {
  if (keepResultImage) {
    if (image.isNull()) return false;
    resultImage = image;
    return true;
  }
  const QString path = url.isEmpty() ? destinationURL : url;
  if (outputType == 24) return saveWebP(image, path);
  if (outputType == 12) return saveSGI(image, path);
  QByteArray data;
  if (!encodeToData(image, &data)) return false;
  bool result = true;
  if (!keepEncodedData && !dataHandler) result = writeFile(path, data);
  if (dataHandler) dataHandler(data, dataHandlerContext);
  if (keepEncodedData) encodedData = data;
  return result;
}

bool ImageConverter::encodeJPEG(int width, int height, const uchar* pixels, int colourCode,
                                int components) {
  if (width <= 0 || height <= 0 || !pixels) return false;
  uint8_t* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = EncodeJPEGToMemory(uint32_t(width), uint32_t(height), pixels, colourCode,
                                     components, &buffer, &size, int(quality * 100.0), dpiX, dpiY);
  if (ok && buffer && size > 0) {
    encodedData = QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(size));
  }
  std::free(buffer);
  return ok && size > 0;
}

bool ImageConverter::saveWebP(const QImage& image, const QString& path) {
  // The bridge encodes from a file: the image goes through a temporary TIFF with the properties
  // of a TIFF output, metadata included when it is kept.
  QByteArray tiff;
  const bool encoded = encodeAs(image, 10, &tiff);
  if (!encoded || path.isEmpty()) return false;
  const QString base = TemporaryFileURL();
  if (base.isEmpty()) return false;
  const QString temporary = base + QStringLiteral(".tif");
  if (!writeFile(temporary, tiff)) return false;
  const int code = EncodeImageFileToWebP(
      QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData(),
      WebPSettingsForQuality(quality), WebPMetadataFlags(preserveMetadata));
  QFile::remove(temporary);
  if (code != kWebPEncodeOk) return false;
  applyFileDates(path);
  return true;
}

bool ImageConverter::saveSGI(const QImage& image, const QString& path) {
  const SGIImage sgi(image);
  if (path.isEmpty() || !sgi.writeToURL(path)) return false;
  applyFileDates(path);
  return true;
}

bool ImageConverter::convertAndSave() {
  if (!sourceImage || sourceImage->count() == 0) return false;
  resolveOutputType();
  const int count = sourceImage->count();
  const QFileInfo destination(destinationURL);
  const QString baseName = destination.completeBaseName();
  const QString extension = destination.suffix();
  const bool several = count > 1 && outputType != 8;
  const QString folder = several ? destination.path() + QLatin1Char('/') + baseName : QString();
  const bool pdfPages = count > 1 && outputType == 8;
  PdfAssembler pdf;
  bool pdfComplete = true;
  bool result = false;

  for (int i = 0; i < count; ++i) {
    if (several) {
      if (!QDir().mkpath(folder)) return false;
      destinationURL = UniqueFileURL(folder, baseName, extension, false, 0);
    }
    ImageResult<QImage> decoded = decodeRepresentation(i, QSize());
    if (!decoded.ok()) {
      result = false;
      pdfComplete = false;
      continue;
    }
    const QImage& image = decoded.value;
    if (!currentRep) makeCurrent(i);
    if (keepSourceResolution) {
      // Each image keeps its own resolution (a multi-page file may mix them).
      dpiX = sourceImage->representation(i).dpiX;
      dpiY = sourceImage->representation(i).dpiY;
    }

    // A CMYK image is encoded as its own inks, in its own space, wherever the type stores inks
    // (the representation itself, never its RGB); a transparent one where the type also keeps its
    // alpha beside the inks (TIFF and Photoshop, not JPEG).
    outputInks = OutputInks();
    const ImageRepresentation& rep = sourceImage->representation(i);
    if (StoresCmykInks(outputType) && !keepResultImage && (!rep.hasAlpha || outputType != 4)) {
      if (std::optional<CmykInks> inks = ReadSourceInks(*sourceImage, i)) {
        outputInks = OutputInks{inks->samples, inks->size, SourceInkSpace(rep)};
      }
    }

    const bool direct = (outputType == 2 || outputType == 4 || outputType == 7 ||
                         outputType == 10 || outputType == 13) &&
                        keepSourceResolution && !preserveMetadata;
    if (direct) {
      DestinationProperties properties = compressionProperties();
      addOutputInks(&properties, outputType, image.size());
      ImageResult<QByteArray> encoded =
          EncodeImage(image, OutputTypeIdentifier(BitmapFileType(outputType)), properties);
      if (encoded.ok() && writeFile(destinationURL, encoded.value)) {
        result = true;
        continue;
      }
    }

    if (pdfPages) {
      result = pdf.addPage(image, dpiX, dpiY);
      pdfComplete = pdfComplete && result;
    } else if (outputType == 24) {
      result = saveWebP(image, destinationURL);
    } else {
      result = saveImage(image) || saveThroughTiff(image);
    }
  }
  outputInks = OutputInks();
  if (pdfPages) {
    // The pages that were made are written even when one failed; the result says it did.
    result = pdf.pageCount() > 0 && writeFile(destinationURL, pdf.finish()) && pdfComplete;
  }
  return result;
}

}  // namespace glimbrik
