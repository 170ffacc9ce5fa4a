#include <QFile>
#include <QFileInfo>

#include "engine/codecs/webp_bridge.h"
#include "engine/convert/image_converter.h"
#include "engine/convert/image_types.h"
#include "engine/files/file_utils.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {

ImageConverter::ImageConverter() = default;

ImageConverter::~ImageConverter() {
  if (sourceIsTemporary && !sourceURL.isEmpty()) QFile::remove(sourceURL);
}

bool ImageConverter::loadSource(const QString& url) {
  loadedURL_ = url;
  sourceURL = url;
  sourceMetadata_.reset();
  currentRep = nullptr;
  currentRepIndex = -1;
  std::shared_ptr<ImageSource> source = ImageSource::Open(url);
  if (source->isValid()) {
    // Every step after loading works on the picture as it is shown, so the output stands upright
    // and the orientation it is written with (1) is true.
    source->presentUpright();
    sourceImage = std::move(source);
    sourceReps = sourceImage->representations();
    makeCurrent(0);
    return true;
  }
  sourceImage.reset();
  sourceReps.clear();
  sourceDamaged = IsDamagedFileError(source->error());
  sourceChanged = IsChangedWhileReadError(source->error());
  // The list takes "X.WEBP" for a WebP image as well, so the bridge must too.
  if (QFileInfo(url).suffix().compare(QLatin1String("webp"), Qt::CaseInsensitive) == 0) {
    return loadWebPSource(url);
  }
  return false;
}

bool ImageConverter::loadWebPSource(const QString& url) {
  QFile file(url);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (bytes.isEmpty()) return false;
  const QString temporary = TemporaryFileURL();
  if (temporary.isEmpty()) return false;
  const QString tiff = temporary + QStringLiteral(".tif");
  const int decoded =
      DecodeWebPToTIFFFile(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           size_t(bytes.size()), QFile::encodeName(tiff).constData());
  if (decoded != kWebPDecodeOk) {
    // The header was read but the pixels were not: the bitstream is damaged or cut short.
    sourceDamaged = decoded == kWebPDecodeFailed;
    return false;
  }
  std::shared_ptr<ImageSource> source = ImageSource::Open(tiff);
  if (!source->isValid()) {
    QFile::remove(tiff);
    return false;
  }
  // The decoded TIFF has no orientation of its own: the WebP's EXIF states it.
  const ImageHeaderResult header = ReadImageHeader(url, bytes);
  source->presentUpright(header ? header.header->orientation : 0);
  sourceImage = std::move(source);
  sourceReps = sourceImage->representations();
  sourceURL = tiff;
  sourceIsTemporary = 1;
  makeCurrent(0);
  return true;
}

bool ImageConverter::openPDFDocument(const QString& url) {
  pdfDocument = PdfDocument::Open(url);
  sourceURL = url;
  return pdfDocument != nullptr;
}

void ImageConverter::setPageRange(int64_t first, int64_t last, int32_t mode) {
  firstPage = first;
  lastPage = last;
  pageRangeMode = mode;
}

void ImageConverter::setOutputNaming(const QString& baseName, bool offset, bool overwrite) {
  outputBaseName = baseName;
  offsetPageNumbers = offset;
  overwriteExisting = overwrite;
}

bool ImageConverter::isPDFEncrypted() const { return pdfDocument && pdfDocument->isEncrypted(); }

bool ImageConverter::unlockPDF() {
  if (!pdfDocument || password.isEmpty()) return false;
  return pdfDocument->unlock(password.toUtf8());
}

bool ImageConverter::isPDFLocked() { return isPDFEncrypted() && !unlockPDF(); }

void ImageConverter::makeCurrent(int index) {
  if (!sourceImage || index < 0 || index >= sourceImage->count()) return;
  currentRepIndex = index;
  currentRep = &sourceImage->representation(index);
}

void ImageConverter::setOutputOptions(int type, const QString& destination,
                                      std::shared_ptr<const ColorSpace> space, bool enhance,
                                      bool levels, double q) {
  outputType = type;
  destinationURL = destination;
  colorSpace = std::move(space);
  autoEnhance = enhance;
  autoLevels = levels;
  quality = q;
}

void ImageConverter::setResolution(long long horizontal, long long vertical) {
  dpiX = double(horizontal);
  dpiY = double(vertical);
}

void ImageConverter::setOrientationFromAngle(long long angle) {
  if (angle == 0 || angle == 360) {
    orientation = 1;
  } else if (angle == 90 || angle == -270) {
    orientation = 6;
  } else if (angle == 180 || angle == -180) {
    orientation = 3;
  } else if (angle == 270 || angle == -90) {
    orientation = 8;
  }
}

double ImageConverter::sourceHorizontalDPI() const { return currentRep ? currentRep->dpiX : 72.0; }
double ImageConverter::sourceVerticalDPI() const { return currentRep ? currentRep->dpiY : 72.0; }
int ImageConverter::sourcePixelWidth() const { return currentRep ? currentRep->pixelWidth : 0; }
int ImageConverter::sourcePixelHeight() const { return currentRep ? currentRep->pixelHeight : 0; }
double ImageConverter::sourcePointWidth() const {
  return currentRep ? currentRep->pointSize().width() : 0.0;
}
double ImageConverter::sourcePointHeight() const {
  return currentRep ? currentRep->pointSize().height() : 0.0;
}
QSizeF ImageConverter::sourcePointSize() const {
  return currentRep ? currentRep->pointSize() : QSizeF(0, 0);
}
bool ImageConverter::hasAlpha() const { return currentRep && currentRep->hasAlpha; }

int ImageConverter::sourceImageType() const { return ImageTypeForURL(sourceURL); }

int ImageConverter::sourceImageTypeFromFile() const {
  if (sourceImage) return ImageTypeForUTI(sourceImage->typeIdentifier(), false);
  const std::shared_ptr<ImageSource> source = ImageSource::Open(sourceURL);
  return source->isValid() ? ImageTypeForUTI(source->typeIdentifier(), false) : 0;
}

int ImageConverter::resolveOutputType() {
  outputType = resolvedOutputType();
  return outputType;
}

int ImageConverter::resolvedOutputType() const {
  return outputType != 0 ? outputType : OutputTypeForSource(loadedURL_);
}

ImageResult<QImage> ImageConverter::decodeRepresentation(int index, QSize drawSize) {
  if (!sourceImage) return ImageResult<QImage>::Fail(QStringLiteral("no source"));
  DecodeOptions options;
  if (drawSize.isValid() && !drawSize.isEmpty()) {
    const ImageRepresentation& rep = sourceImage->representation(index);
    // A pure reduce happens while decoding; an enlargement is drawn from the stored pixels.
    if (drawSize.width() <= rep.pixelWidth && drawSize.height() <= rep.pixelHeight) {
      options.exactSize = drawSize;
    } else {
      options.minimumSize = drawSize;
    }
  }
  ImageResult<QImage> decoded = sourceImage->decode(index, options);
  if (IsDamagedFileError(decoded.error)) sourceDamaged = 1;
  if (IsChangedWhileReadError(decoded.error)) sourceChanged = 1;
  return decoded;
}

const MetadataBlocks& ImageConverter::sourceMetadata() const {
  if (!sourceMetadata_) sourceMetadata_ = sourceImage ? sourceImage->metadata() : MetadataBlocks();
  return *sourceMetadata_;
}

}  // namespace glimbrik
