#include "pdfjobs/render_pages.h"

#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <QUuid>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "engine/file_utils.h"
#include "engine/image_converter.h"
#include "engine/resize_math.h"
#include "pdfjobs/job_progress.h"
#include "pdfjobs/pdf_page_geometry.h"
#include "platform/color_space.h"

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
  DocumentPool* pool = nullptr;                 // null: render with the converter's document
  int64_t tiffPages = 0;                        // pages written into the multi-page TIFF
};

namespace {

// Page size in points after the page's rotation: none for a page that cannot be loaded, empty
// for one whose boxes are empty. Poppler's size stands in where qpdf could not describe a page.
std::optional<QSizeF> PagePointSize(const PDFRenderRun& run, const PdfDocument& document,
                                    int64_t page) {
  const std::optional<QSizeF> drawn = document.pageSize(int(page - 1));
  if (!drawn || size_t(page) > run.geometry.size() || !run.geometry[size_t(page - 1)].described) {
    return drawn;
  }
  const PDFPageGeometry& g = run.geometry[size_t(page - 1)];
  if (g.mediaBox.width() <= 0 || g.mediaBox.height() <= 0) return QSizeF();
  QSizeF size = g.cropBox.size();
  if ((g.rotation / 90) % 2 != 0) size.transpose();
  return size;
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
  const std::optional<QSizeF> points = document && page >= 1 && page <= document->pageCount()
                                           ? PagePointSize(run, *document, page)
                                           : std::nullopt;
  if (!points) {
    giveBack();
    return fail();
  }
  if (points->width() <= 0 || points->height() <= 0) {
    giveBack();
    return;
  }
  const double s = PageScale(run, *points);
  const double w = std::nearbyint(s * points->width());
  const double h = std::nearbyint(s * points->height());
  QImage image;
  if (w >= 1 && h >= 1 && w <= kMaxPageSide && h <= kMaxPageSide && w * h <= kMaxPagePixels) {
    image = document->renderPageRegion(int(page - 1), 72.0 * s, QSize(int(w), int(h)));
  }
  giveBack();
  if (!pageJobResult || IsCancelled(*this)) return;
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
  // CMYK is made by the writer at the file boundary, from the converter's colour space.
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
  const QString baseName =
      c.outputBaseName.isEmpty() ? BaseNameOfPath(c.sourceURL) : c.outputBaseName;
  if (span.start == span.end && c.outputType == 23) c.outputType = 10;
  if (c.outputType == 13 || c.colorModel == 2) {
    // The chosen profile when it is a CMYK one, else the device CMYK separation.
    if (!c.colorSpace || c.colorSpace->model() != ColorModel::CMYK) {
      c.colorSpace = ColorSpace::DeviceCMYK();
    }
    run.cmykSpace = c.colorSpace;
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
