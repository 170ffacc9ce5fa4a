#include "pdfjobs/render/render_pages.h"

#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QUuid>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/convert/image_converter.h"
#include "engine/convert/resize_math.h"
#include "engine/files/file_utils.h"
#include "pdfjobs/job_progress.h"
#include "pdfjobs/render/page_image_writer.h"
#include "pdfjobs/render/pdf_page_geometry.h"
#include "platform/pdf/pdf_raster.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {

namespace {

// Larger pages are refused as a page failure instead of an allocation that cannot succeed.
constexpr int kMaxPageSide = 30000;
constexpr qint64 kMaxPagePixels = 500LL * 1000 * 1000;

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// Poppler documents are not shared between threads: each worker borrows one of its own.
class DocumentPool {
 public:
  DocumentPool(QString path, QByteArray password)
      : path_(std::move(path)), password_(std::move(password)) {}

  std::unique_ptr<PdfDocument> take() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!idle_.empty()) {
        std::unique_ptr<PdfDocument> document = std::move(idle_.back());
        idle_.pop_back();
        return document;
      }
    }
    return PdfDocument::Open(path_, password_);
  }
  void give(std::unique_ptr<PdfDocument> document) {
    if (!document) return;
    std::lock_guard<std::mutex> lock(mutex_);
    idle_.push_back(std::move(document));
  }

 private:
  QString path_;
  QByteArray password_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<PdfDocument>> idle_;
};

bool IsCancelled(const ImageConverter& converter) { return IsJobCancelled(converter.progress); }

}  // namespace

struct PDFRenderRun {
  std::vector<PDFPageGeometry> geometry;  // empty when qpdf could not read the file
  bool resizeEnabled = false;
  ImageResizeOptions resize;
  double baseScale = 1.0;
  std::shared_ptr<const ColorSpace> cmykSpace;  // set when pages are written in CMYK
  bool nativeInks = false;                      // the output stores CMYK: draw the page's inks
  QByteArray ghostscriptPassword;
  DocumentPool* pool = nullptr;  // null: render with the converter's document
  int64_t tiffPages = 0;         // pages written into the multi-page TIFF
};

namespace {

// A page's size in points after its rotation, and whether poppler can draw it.
struct PageSize {
  QSizeF points;  // empty for a page whose boxes are empty
  bool popplerDraws = true;
};

// None for a page that neither poppler nor qpdf can describe. Poppler's size stands in where qpdf
// could not describe a page; a page poppler loads without a size of its own (damaged page trees)
// takes qpdf's and is drawn by Ghostscript.
std::optional<PageSize> PagePointSize(const PDFRenderRun& run, const PdfDocument* document,
                                      int64_t page) {
  const std::optional<QSizeF> drawn = document && page >= 1 && page <= document->pageCount()
                                          ? document->pageSize(int(page - 1))
                                          : std::nullopt;
  if (page < 1 || size_t(page) > run.geometry.size() || !run.geometry[size_t(page - 1)].described) {
    if (!drawn) return std::nullopt;
    return PageSize{*drawn, true};
  }
  const PDFPageGeometry& g = run.geometry[size_t(page - 1)];
  if (g.mediaBox.width() <= 0 || g.mediaBox.height() <= 0) return PageSize{QSizeF(), true};
  // The visible box is the part of the crop box on the medium.
  const QRectF visible = g.cropBox.intersected(g.mediaBox);
  QSizeF size = visible.isEmpty() ? g.mediaBox.size() : visible.size();
  if ((g.rotation / 90) % 2 != 0) size.transpose();
  return PageSize{size, drawn && !drawn->isEmpty()};
}

// Ghostscript's drawing of the page as exactly pixels; null when it fails.
PdfRaster GhostscriptPage(const PDFRenderRun& run, const QString& path, int64_t page, double scale,
                          QSize pixels, PdfRasterColour colour) {
  return FitPdfRaster(
      RenderPdfPageRaster(path, run.ghostscriptPassword, int(page), 72.0 * scale, colour,
                          run.cmykSpace ? run.cmykSpace->iccProfile() : QByteArray()),
      pixels);
}

// The password Ghostscript is given: none for a file that opens without one, since Ghostscript
// 10.0 crashes on a wrong password for an AES-256 file, and a restricted file opens whatever
// password the caller gave.
QByteArray GhostscriptPassword(const QString& path, const QString& password) {
  if (password.isEmpty()) return QByteArray();
  const std::unique_ptr<PdfDocument> plain = PdfDocument::Open(path);
  return plain && !plain->isLocked() ? QByteArray() : password.toUtf8();
}

QImage ImageOfRGBRaster(const PdfRaster& raster) {
  if (raster.isNull() || raster.components != 3) return QImage();
  QImage image(raster.size, QImage::Format_RGB888);
  if (image.isNull()) return image;
  const qsizetype row = qsizetype(raster.size.width()) * 3;
  for (int y = 0; y < raster.size.height(); ++y) {
    std::memcpy(image.scanLine(y), raster.samples.constData() + row * y, size_t(row));
  }
  return image;
}

double PageScale(const PDFRenderRun& run, QSizeF points) {
  if (!run.resizeEnabled) return run.baseScale;
  const double W = run.resize.width, H = run.resize.height;
  const double w = points.width(), h = points.height();
  double r;
  if (H == 0 && W > 0) {
    r = W / w;
  } else if (W == 0 && H > 0) {
    r = H / h;
  } else {
    r = W / w;
    if (std::nearbyint(r * h) > H) r = H / h;
  }
  return run.resize.unit == 2 ? r : run.baseScale * r;
}

// The multi-page TIFF is written under a temporary name beside its own and renamed into place
// only when the run succeeded, so that a failed run leaves nothing a reader would choke on.
class PendingTiff {
 public:
  ~PendingTiff() { finish(false); }
  bool open(const QString& url) {
    url_ = url;
    const QFileInfo target(url);
    partial_ = target.dir().filePath(QStringLiteral(".%1-%2").arg(
        target.fileName(), QUuid::createUuid().toString(QUuid::Id128)));
    tiff_.reset(TIFFOpen(QFile::encodeName(partial_).constData(), "w"));
    return tiff_ != nullptr;
  }
  TIFF* get() const { return tiff_.get(); }
  // Renames the file into place when keep is set, else removes it; false when keeping failed.
  bool finish(bool keep) {
    tiff_.reset();
    if (partial_.isEmpty()) return true;
    const bool kept = keep && ::rename(QFile::encodeName(partial_).constData(),
                                       QFile::encodeName(url_).constData()) == 0;
    if (!kept) QFile::remove(partial_);
    partial_.clear();
    return kept || !keep;
  }

 private:
  QString url_, partial_;
  std::unique_ptr<TIFF, TiffCloser> tiff_;
};

}  // namespace

void ImageConverter::renderPDFPage(PDFRenderRun& run, int64_t page, TIFF* tiff, int64_t index,
                                   int64_t count, const QString& url) {
  if (!pageJobResult) return;
  if (IsCancelled(*this)) return;
  ReportPDFPageProgress(*this, page);
  const auto fail = [this] { pageJobResult = 0; };

  std::unique_ptr<PdfDocument> borrowed = run.pool ? run.pool->take() : nullptr;
  const PdfDocument* document = run.pool ? borrowed.get() : pdfDocument.get();
  const auto giveBack = [&run, &borrowed] {
    if (run.pool) run.pool->give(std::move(borrowed));
  };
  std::optional<PageSize> size = PagePointSize(run, document, page);
  if (!size) {
    // Neither reader sizes the page: Ghostscript's own drawing of it gives the size.
    const QSize drawn = RenderPdfPageRaster(sourceURL, run.ghostscriptPassword, int(page),
                                            72.0 * run.baseScale, PdfRasterColour::RGB)
                            .size;
    if (drawn.isEmpty()) {
      giveBack();
      return fail();
    }
    size = PageSize{QSizeF(drawn) / run.baseScale, false};
  }
  if (size->points.width() <= 0 || size->points.height() <= 0) {
    giveBack();
    return;
  }
  const double s = PageScale(run, size->points);
  const double w = std::nearbyint(s * size->points.width());
  const double h = std::nearbyint(s * size->points.height());
  const bool drawable =
      w >= 1 && h >= 1 && w <= kMaxPageSide && h <= kMaxPageSide && w * h <= kMaxPagePixels;
  const QSize pixels{int(w), int(h)};
  // CMYK outputs get the page's own inks; a page Ghostscript cannot draw is separated from RGB.
  PdfRaster inks;
  if (drawable && run.nativeInks) {
    inks = GhostscriptPage(run, sourceURL, page, s, pixels, PdfRasterColour::CMYK);
  }
  QImage image;
  if (drawable && inks.isNull() && size->popplerDraws) {
    image = document->renderPageRegion(int(page - 1), 72.0 * s, pixels);
  }
  giveBack();
  if (drawable && inks.isNull() && image.isNull()) {
    image =
        ImageOfRGBRaster(GhostscriptPage(run, sourceURL, page, s, pixels, PdfRasterColour::RGB));
  }
  if (!pageJobResult || IsCancelled(*this)) return;
  if (!inks.isNull()) {
    if (tiff) {
      PageBitmap bitmap{2, QImage(), inks.samples, pixels.width(), pixels.height()};
      if (!WriteTIFFPage(tiff, bitmap, dpiX, dpiY, index, count)) return fail();
      ++run.tiffPages;
      return;
    }
    const QImage seen =
        run.cmykSpace->cmykToRgb(reinterpret_cast<const uchar*>(inks.samples.constData()),
                                 pixels.width(), pixels.height(), qsizetype(pixels.width()) * 4);
    if (!SaveImageWithInks(*this, seen, url, inks.samples)) fail();
    return;
  }
  if (image.isNull()) return fail();

  PageBitmap bitmap;
  bitmap.width = image.width();
  bitmap.height = image.height();
  if (run.cmykSpace) {
    bitmap.model = 2;
  } else if (colorModel == 3) {
    bitmap.model = 0;
    image = image.convertToFormat(QImage::Format_Grayscale8);
  } else {
    image =
        image.convertToFormat(tiff ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  }
  if (image.isNull()) return fail();
  if (tiff) {
    if (bitmap.model == 2) bitmap.cmyk = run.cmykSpace->rgbToCmyk(image);
    bitmap.image = std::move(image);
    if (!WriteTIFFPage(tiff, bitmap, dpiX, dpiY, index, count)) return fail();
    ++run.tiffPages;
    return;
  }
  // Outputs that hold no CMYK are separated by the writer, from the converter's colour space.
  if (!saveImage(image, url)) fail();
}

void ReportPDFPageProgress(const ImageConverter& converter, int64_t pageNumber) {
  const int64_t shown =
      converter.offsetPageNumbers ? pageNumber + converter.firstPage - 1 : pageNumber;
  ReportJobProgress(converter.progress, shown);
}

bool ImageConverter::renderPDFPages(bool resizeEnabled, ImageResizeOptions resize) {
  ImageConverter& c = *this;
  // A type outside the output-type table has no encoder and no extension of its own.
  if (!c.pdfDocument || c.outputType < 0 || c.outputType > 24) return false;
  if (resizeEnabled && resize.unit != 2 && resize.unit != 6) {
    resize.width = ConvertUnitToPoints(resize.unit, resize.width);
    resize.height = ConvertUnitToPoints(resize.unit, resize.height);
  }
  const int64_t pageCount = c.pdfDocument->pageCount();
  // A document without pages has nothing to render, whatever range was asked for.
  if (pageCount < 1) return false;
  const int digits = int(QString::number(pageCount).size());
  const PageSpan span = ResolvePageRange(c.pageRangeMode, c.firstPage, &c.lastPage, pageCount);

  if (c.dpiX == 0) c.dpiX = c.dpiY;
  if (c.dpiX == 0) c.dpiX = c.dpiY = 72;
  if (c.dpiY == 0) c.dpiY = c.dpiX;

  PDFRenderRun run;
  run.resizeEnabled = resizeEnabled;
  run.resize = resize;
  run.baseScale = std::max(c.dpiX, c.dpiY) / 72.0;
  if (!ReadPDFPageGeometry(c.sourceURL, c.password, &run.geometry)) run.geometry.clear();
  run.ghostscriptPassword = GhostscriptPassword(c.sourceURL, c.password);
  const QString baseName =
      c.outputBaseName.isEmpty() ? BaseNameOfPath(c.sourceURL) : c.outputBaseName;
  if (span.start == span.end && c.outputType == 23) c.outputType = 10;
  if (c.outputType == 13 || c.colorModel == 2) {
    // The chosen profile when it is a CMYK one, else the device CMYK separation.
    if (!c.colorSpace || c.colorSpace->model() != ColorModel::CMYK) {
      c.colorSpace = ColorSpace::DeviceCMYK();
    }
    run.cmykSpace = c.colorSpace;
    run.nativeInks =
        c.outputType == 4 || c.outputType == 10 || c.outputType == 13 || c.outputType == 23;
  } else {
    c.colorSpace = nullptr;
  }

  const int processors = QThread::idealThreadCount();
  const int width = c.useAllProcessors && processors - 1 >= 1 ? processors - 1 : 1;
  const int64_t runLength = span.end - span.start + 1;
  const bool onThisThread = c.outputType == 23 || runLength < 2 || width == 1;
  QThreadPool pool;
  pool.setMaxThreadCount(width);
  DocumentPool documents(c.sourceURL, c.password.toUtf8());
  if (!onThisThread) run.pool = &documents;
  PendingTiff tiff;
  const QString extension = ExtensionForImageType(c.outputType);

  for (int64_t page = span.start; page <= span.end; ++page) {
    if (IsCancelled(c)) break;
    const int64_t index = page - span.start;
    const int64_t number = c.offsetPageNumbers ? page + c.firstPage - 1 : page;
    const QString name =
        pageCount < 2 || c.outputType == 23
            ? baseName
            : baseName + QStringLiteral("-%1").arg(number, digits, 10, QLatin1Char('0'));
    QString url;
    if (c.outputType == 23) {
      if (!tiff.get()) {
        const QString tiffURL =
            UniqueFileURL(c.destinationURL, name, extension, c.overwriteExisting, 0);
        if (tiffURL.isEmpty() || !tiff.open(tiffURL)) {
          c.pageJobResult = 0;
          break;
        }
      }
    } else {
      url = UniqueFileURL(c.destinationURL, name, extension, c.overwriteExisting, 0);
    }
    if (onThisThread) {
      renderPDFPage(run, page, tiff.get(), index, runLength, url);
    } else {
      pool.start([this, &run, page, index, runLength, url] {
        renderPDFPage(run, page, nullptr, index, runLength, url);
      });
    }
  }
  pool.waitForDone();
  if (!tiff.finish(c.pageJobResult != 0 && run.tiffPages > 0)) c.pageJobResult = 0;
  return c.pageJobResult != 0;
}

}  // namespace glimbrik
