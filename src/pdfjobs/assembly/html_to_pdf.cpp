#include "pdfjobs/assembly/html_to_pdf.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <memory>

#include "engine/files/file_utils.h"
#include "pdfjobs/job_progress.h"
#include "platform/pdf/pdf_builder.h"

namespace glimbrik {

namespace {

// The engine's browser process refuses to start as root with its sandbox on.
void PrepareWebEngine() {
  static const bool prepared = [] {
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    return true;
  }();
  (void)prepared;
}

bool OnMainThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

// Printing lays a page out at the printable width and cuts off whatever is wider. Measured at
// that width, a wider page is zoomed down until its widest content fits, as printing fitted to
// the width does; pages that fit are left alone.
QString FitToWidthScript(const QPageLayout& layout) {
  const double css = layout.paintRect(QPageLayout::Point).width() * 96.0 / 72.0;
  return QStringLiteral(
             "(function(){var root=document.documentElement;if(!root)return 1;"
             "var width=%1,old=root.style.width;root.style.width=width+'px';"
             "var wide=Math.max(root.scrollWidth,document.body?document.body.scrollWidth:0);"
             "root.style.width=old;if(wide<=width+1)return 1;"
             "var zoom=width/wide;root.style.zoom=zoom;return zoom;})()")
      .arg(css, 0, 'f', 2);
}

// Loads url and prints it into pdf; runs on the main thread. Only the main frame's load result
// counts, the loop ends once, and a page that neither finishes nor fails in time fails.
bool LoadAndPrint(const QString& url, const QString& pdf, const QPageLayout& layout,
                  int timeoutSeconds) {
  PrepareWebEngine();
  QWebEngineProfile profile;  // off the record: nothing is stored
  QWebEnginePage page(&profile);
  page.setBackgroundColor(Qt::transparent);
  QEventLoop loop;
  bool printed = false, ended = false;
  auto finish = [&](bool ok) {
    if (ended) return;
    ended = true;
    printed = ok;
    loop.quit();
  };
  QObject::connect(&page, &QWebEnginePage::loadFinished, &loop, [&](bool ok) {
    if (!ok) {
      finish(false);
      return;
    }
    page.runJavaScript(FitToWidthScript(layout), [&](const QVariant&) {
      if (!ended) page.printToPdf(pdf, layout);
    });
  });
  QObject::connect(&page, &QWebEnginePage::pdfPrintingFinished, &loop,
                   [&](const QString&, bool ok) { finish(ok); });
  QTimer::singleShot(timeoutSeconds * 1000, &loop, [&] { finish(false); });
  page.load(QUrl::fromLocalFile(QFileInfo(url).absoluteFilePath()));
  if (!ended) loop.exec();
  page.triggerAction(QWebEnginePage::Stop);
  return printed && QFileInfo(pdf).isFile();
}

}  // namespace

bool IsHTMLFile(const QString& url) {
  static const QStringList extensions = {
      QStringLiteral("html"), QStringLiteral("HTML"), QStringLiteral("htm"),
      QStringLiteral("HTM"),  QStringLiteral("svg"),  QStringLiteral("asp"),
      QStringLiteral("aspx"), QStringLiteral("jsp"),  QStringLiteral("xhtml")};
  return extensions.contains(QFileInfo(url).suffix());
}

void HTMLToPDF::Init(const TextToPDFConversionOptions& options) {
  Init(options.pageWidth, options.pageHeight, options.leftMargin, options.rightMargin,
       options.topMargin, options.bottomMargin, options.orientation, options.pdfDocumentAttributes);
  sources_ = options.sourceItems;
  destination_ = options.destinationURL;
}

void HTMLToPDF::Init(double pageWidth, double pageHeight, double left, double right, double top,
                     double bottom, uint64_t orientation, const QVariantMap& attributes) {
  sources_.clear();
  destination_.clear();
  pageWidth_ = pageWidth;
  pageHeight_ = pageHeight;
  leftMargin_ = left;
  rightMargin_ = right;
  topMargin_ = top;
  bottomMargin_ = bottom;
  orientation_ = orientation;
  attributes_ = attributes;
}

bool HTMLToPDF::printPage(const QString& url, const QString& pdf) const {
  if (pageWidth_ <= leftMargin_ + rightMargin_ || pageHeight_ <= topMargin_ + bottomMargin_) {
    return false;
  }
  const QPageLayout layout(QPageSize(QSizeF(pageWidth_, pageHeight_), QPageSize::Point, QString(),
                                     QPageSize::ExactMatch),
                           orientation_ == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF(leftMargin_, topMargin_, rightMargin_, bottomMargin_),
                           QPageLayout::Point);
  // The web engine needs a GUI application; without one the page fails.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
  if (OnMainThread()) return LoadAndPrint(url, pdf, layout, timeoutSeconds_);
  bool result = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&] { result = LoadAndPrint(url, pdf, layout, timeoutSeconds_); },
      Qt::BlockingQueuedConnection);
  return result;
}

bool HTMLToPDF::SaveAsPDF(const QString& url) {
  if (tempDestination_.isEmpty() || !QFileInfo(url).isFile()) return false;
  const QString printed = TemporaryFileURL();
  if (printed.isEmpty()) return false;
  bool result = false;
  if (printPage(url, printed)) {
    if (saveAsSinglePDF_) {
      QFile::remove(tempDestination_);
      result = QFile::rename(printed, tempDestination_);
    } else if (const std::unique_ptr<PdfBuilder> pdf = PdfBuilder::Open(printed, {})) {
      result = pdf->write(tempDestination_, attributes_);
    }
  }
  QFile::remove(printed);
  return result;
}

bool HTMLToPDF::SaveAsPDF() {
  for (const QVariantMap& item : sources_) {
    if (item.isEmpty()) continue;
    const QString path = item.value(QStringLiteral("FilePath")).toString();
    tempDestination_ = UniqueFileURLForItem(destination_, path, QStringLiteral("pdf"), false);
    ReportJobProgressAndWait(progress_, 3);
    if (!SaveAsPDF(path)) return false;
  }
  return true;
}

bool HTMLToPDF::SaveAsTextToSinglePDF() {
  PdfBuilder combined;
  std::vector<std::unique_ptr<PdfBuilder>> sources;
  const bool single = saveAsSinglePDF_;
  saveAsSinglePDF_ = true;
  bool result = true;
  for (const QVariantMap& item : sources_) {
    if (item.isEmpty()) continue;
    tempDestination_ = TemporaryFileURL();
    ReportJobProgressAndWait(progress_, 3);
    result = SaveAsPDF(item.value(QStringLiteral("FilePath")).toString());
    if (!result) break;
    std::unique_ptr<PdfBuilder> pdf = PdfBuilder::Open(tempDestination_, {});
    QFile::remove(tempDestination_);
    if (pdf) {
      combined.appendPages(*pdf, 0, pdf->pageCount());
      sources.push_back(std::move(pdf));
    }
  }
  saveAsSinglePDF_ = single;
  if (combined.pageCount() == 0) return false;
  ReportJobProgressAndWait(progress_, 6);
  const bool written = combined.write(destination_, attributes_);
  ReportJobProgressAndWait(progress_, 7);
  return written && result;
}

}  // namespace glimbrik
