#pragma once

// The engine's working object for one conversion: loads the source, holds the options copied from
// an ImageConversion record, decides canvas and placement for each scale mode, draws (pipeline)
// and encodes. One lives on the stack of an entry call.

#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/convert/conversion_records.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/pdf/pdf_document.h"
#include "platform/pixels/cmyk_inks.h"

typedef struct tiff TIFF;

namespace glimbrik {

class ImageConverter;
struct PDFRenderRun;

using ConverterDataHandler = std::function<void(const QByteArray& data, void* context)>;
using ConverterSizeHandler =
    std::function<void(ImageConverter& converter, const ImageResizeOptions& resize, void* context)>;

// The output-type table.
QString OutputTypeIdentifier(int outputType);  // "public.jpeg" for anything unknown
bool KeepsMetadata(int outputType);
bool IsBitmapRepType(int outputType);
bool SupportsAlpha(int outputType);
// Whether the output type's encoder stores CMYK inks as they are given (Photoshop, JPEG, TIFF).
bool StoresCmykInks(int outputType);
// The type whose encoder the direct path uses: 2, 3, 4, 7, 10, 11 or 4 for any other index.
int BitmapFileType(int outputType);
// Whether this system has an encoder for the output type (0 stands for one it resolves to).
bool CanWriteOutputType(int outputType);
// The file-name extension of an output type from the bundle's "ImageExtension" list; "" when the
// list is missing or the index is outside it.
QString ExtensionForImageType(int outputType);

class ImageConverter {
 public:
  ImageConverter();
  ~ImageConverter();
  ImageConverter(const ImageConverter&) = delete;
  ImageConverter& operator=(const ImageConverter&) = delete;

  // Loading and options.
  bool loadSource(const QString& url);
  void setOutputOptions(int outputType, const QString& destinationURL,
                        std::shared_ptr<const ColorSpace> colorSpace, bool autoEnhance,
                        bool autoLevels, double quality);
  void setResolution(long long horizontal, long long vertical);
  void setKeepSourceResolution(bool flag) { keepSourceResolution = flag; }
  void setQuality(double q) { quality = q; }
  void setDestinationURL(const QString& url) { destinationURL = url; }
  void setOrientation(int o) { orientation = o; }
  void setOrientationFromAngle(long long angle);
  // Opens a PDF file as pdfImageRep, whose pages savePDFImageRepPages writes one by one.
  bool loadPDFImageRep(const QString& url);
  // The user's file as given to loadSource (sourceURL may be a temporary TIFF made from it).
  const QString& originalURL() const { return loadedURL_; }

  // Page jobs.
  bool openPDFDocument(const QString& url);
  void setPassword(const QString& text) { password = text; }
  void setPageRange(int64_t first, int64_t last, int32_t mode);
  void setOutputNaming(const QString& baseName, bool offset, bool overwrite);
  void setProgressCallback(ProgressCallbackInfo callback) { progress = std::move(callback); }
  void setUseAllProcessors(bool flag) { useAllProcessors = flag; }
  bool isPDFEncrypted() const;
  bool unlockPDF();
  // Encrypted and not unlocked by the password.
  bool isPDFLocked();
  // Renders the open PDF's page range; the page-job result (1 when no page failed, also after a
  // cancellation). These two are defined in the PDF jobs library, so that the engine library
  // needs neither it nor qpdf: whoever calls them links the PDF jobs library.
  bool renderPDFPages(bool resizeEnabled, ImageResizeOptions resize);
  // Renders one page of the run to url, or appends it to the open TIFF; a failure clears
  // pageJobResult.
  void renderPDFPage(PDFRenderRun& run, int64_t page, TIFF* tiff, int64_t index, int64_t count,
                     const QString& url);

  // Queries about currentRep (72 dpi and 0 sizes without one).
  double sourceHorizontalDPI() const;
  double sourceVerticalDPI() const;
  int sourcePixelWidth() const;
  int sourcePixelHeight() const;
  double sourcePointWidth() const;
  double sourcePointHeight() const;
  QSizeF sourcePointSize() const;
  bool hasAlpha() const;
  int sourceImageType() const;          // from the file's name (common types only)
  int sourceImageTypeFromFile() const;  // from the file's content, full table
  QString outputExtension() const { return ExtensionForImageType(outputType); }

  // Processing.
  bool process(ImageResizeOptions resize);
  bool processRepresentations(const ImageResizeOptions& resize, double targetWidth,
                              double targetHeight);
  void computeTargetSize(double* width, double* height, const ImageResizeOptions& resize);
  // Draws image into a canvas and saves it (pipeline.cpp). origin and drawSize are in canvas
  // pixels with y up (origin at the bottom-left), before rotation. `inks`, the source's own as
  // opaqueSourceInks gives them, stand for the picture, which may then be null.
  bool processImage(const QImage& image, int canvasWidth, int canvasHeight, bool sharpen,
                    const std::optional<QColor>& background, QPointF origin, QSizeF drawSize,
                    std::optional<CmykInks> inks = std::nullopt);
  // The inks of the current representation when processImage will draw a CMYK source in its
  // own inks and needs no picture of it (it has no transparency): nothing otherwise. Reading
  // them spares decoding the picture and turning its CMYK into RGB.
  std::optional<CmykInks> opaqueSourceInks() const;

  // processImage's road for a CMYK source drawn into its own space (pipeline_inks.h): its inks
  // placed, watermarked and filtered as processImage does its pixels, then saved as inks.
  // `image` is the decoded picture, whose alpha the mask takes when maskAlpha is set.
  bool processInks(const QImage& image, CmykInks inks,
                   const std::shared_ptr<const ColorSpace>& space, bool maskAlpha, int canvasWidth,
                   int canvasHeight, bool sharpen, const std::optional<QColor>& background,
                   QPointF origin, QSizeF drawSize);

  // Output types and encoding.
  QString outputUTI() const { return OutputTypeIdentifier(outputType); }
  DestinationProperties createDestinationProperties(QSize pixelSize) const;
  // Adds the source's metadata, fixed for this output, to the properties.
  void copyMetadata(DestinationProperties* properties, QSize pixelSize) const;
  bool encodeToData(const QImage& image, QByteArray* data) const;
  bool createImageFromData(const QByteArray& data, QImage* image) const;
  bool saveImage(const QImage& image, const QString& url = QString());
  // One more try after saveImage failed: saves the image as read back from a TIFF of it, which
  // gives the encoder a plain bitmap.
  bool saveThroughTiff(const QImage& image, const QString& url = QString());
  bool convertAndSave();
  // Encoding only, without writing a file: the current (else first) image of the source, in its
  // own bitmap type when the resolution is the source's, else as the output type.
  bool encodeBitmapToData(QByteArray* data);
  // Writes each page of pdfImageRep, drawn at twice its size, through convertAndSave as
  // "<destinationURL>/<source base name>-<page, 3 digits>.<extension>"; true when every page was
  // written (false without pages).
  bool savePDFImageRepPages();
  // The encoder settings of the direct path: resolution, LZW for TIFF, the quality of JPEG and
  // JPEG 2000.
  DestinationProperties compressionProperties() const;
  // Encodes interleaved 8-bit pixels (colourCode 1 grey, 2 RGB, 4 CMYK as ink amounts) as JPEG at
  // quality x 100 and dpiX x dpiY into encodedData.
  bool encodeJPEG(int width, int height, const uchar* pixels, int colourCode, int components);

  // The decoded pixels of representation index; when drawSize is smaller, reduced to it while
  // decoding where the format allows (the caller resamples what comes back larger). A failure
  // caused by damaged data sets sourceDamaged.
  ImageResult<QImage> decodeRepresentation(int index, QSize drawSize);
  // Resolves output type 0 to the source's own type: a type with an encoder in the full table
  // is kept, a WebP source stays WebP (24); an unknown one stays 0 and encodes as JPEG.
  int resolveOutputType();
  // The type resolveOutputType gives, without setting it.
  int resolvedOutputType() const;

  // Fields, as the engine's callers and the pipeline use them.
  double quality = 0.0;
  int32_t outputType = 0;
  int32_t orientation = 0;  // EXIF orientation written into the output; 0 writes none
  int32_t colorModel = 0;   // 0 own, 1 RGB, 2 CMYK, 3 grey
  std::shared_ptr<const ColorSpace> colorSpace;
  double dpiX = 0.0;
  double dpiY = 0.0;
  double fixedResolution = 0.0;
  double printBoxWidth = 0.0;
  double printBoxHeight = 0.0;
  int64_t firstPage = 0;
  int64_t lastPage = 0;
  int32_t pageRangeMode = 0;
  std::shared_ptr<ImageSource> sourceImage;
  QString sourceURL;
  QString destinationURL;
  const ImageRepresentation* currentRep = nullptr;
  int currentRepIndex = -1;  // index of currentRep in sourceImage
  std::vector<ImageRepresentation> sourceReps;
  QString password;
  QString outputBaseName;
  uint8_t offsetPageNumbers = 0;
  uint8_t overwriteExisting = 0;
  uint8_t keepSourceResolution = 0;
  ProgressCallbackInfo progress;
  uint8_t preserveMetadata = 0;
  uint8_t keepEncodedData = 0;
  uint8_t imageWatermarkEnabled = 0;
  uint8_t sourceIsTemporary = 0;
  uint8_t keepResultImage = 0;
  uint8_t useAllProcessors = 0;
  uint8_t autoLevels = 0;
  uint8_t autoEnhance = 0;
  // Page workers only ever take it from 1 to 0.
  std::atomic<uint8_t> pageJobResult{1};
  uint8_t notEnlarged = 0;
  uint8_t sourceDamaged = 0;  // loading or decoding failed on damaged or cut-short data
  uint8_t sourceChanged = 0;  // the file changed while it was read
  int64_t rotationAngle = 0;
  int32_t flip = 0;
  int32_t effectType = 0;
  uint64_t textWatermarkCount = 0;
  ImageWatermarkOptions imageWatermark;
  const TextWatermarkOptions* textWatermarks = nullptr;
  QByteArray encodedData;
  std::optional<FileAttributes> fileAttributes;
  QImage resultImage;
  ConverterDataHandler dataHandler;
  ConverterSizeHandler sizeHandler;
  void* dataHandlerContext = nullptr;
  void* sizeHandlerContext = nullptr;
  std::unique_ptr<PdfDocument> pdfDocument;
  std::unique_ptr<PdfDocument> pdfImageRep;
  // The inks of the image being saved, for a CMYK image kept in its own inks (processImage and
  // convertAndSave set them around the one save they make): every encoding of a type that stores
  // inks writes these in their space rather than separating the picture it is given.
  struct OutputInks {
    QByteArray samples;  // interleaved C, M, Y, K, 0 = no ink
    QSize size;
    std::shared_ptr<const ColorSpace> space;
  };
  OutputInks outputInks;

 private:
  void makeCurrent(int index);
  void targetPixels(const ImageResizeOptions& resize, double* width, double* height);
  bool writeFile(const QString& path, const QByteArray& data) const;
  // Puts outputInks into properties of an encoding of `type` at `pixelSize` when they are for
  // that size and the type stores inks.
  void addOutputInks(DestinationProperties* properties, int type, QSize pixelSize) const;
  // Encoding as another output type than the converter's own, which other threads may be
  // reading: the type is never switched in place.
  bool encodeAs(const QImage& image, int type, QByteArray* data) const;
  DestinationProperties destinationPropertiesFor(int type, QSize pixelSize) const;
  void applyFileDates(const QString& path) const;
  bool saveWebP(const QImage& image, const QString& path);
  bool saveSGI(const QImage& image, const QString& path);
  bool loadWebPSource(const QString& url);
  const MetadataBlocks& sourceMetadata() const;

  QString loadedURL_;  // the URL given to loadSource (sourceURL may be a temporary TIFF)
  mutable std::optional<MetadataBlocks> sourceMetadata_;
};

}  // namespace glimbrik
