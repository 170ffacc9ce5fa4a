#pragma once

// Prints HTML pages into PDF files with a web engine page on the main thread. The job itself may
// run on any thread: from another thread it waits for the main thread, on the main thread it
// runs the page in a local event loop.

#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

// True for the names of HTML pages ("html", "htm", "svg", "xhtml" and the server-page kinds).
bool IsHTMLFile(const QString& url);

class HTMLToPDF {
 public:
  // Sources, destination, page and attributes from the record.
  void Init(const TextToPDFConversionOptions& options);
  // Page size, margins (points), orientation (1 landscape) and attributes; no sources.
  void Init(double pageWidth, double pageHeight, double left, double right, double top,
            double bottom, uint64_t orientation, const QVariantMap& attributes);
  void SetProgressCallbackInfo(ProgressCallbackInfo callback) { progress_ = std::move(callback); }
  void SetTempDestinationURL(const QString& url) { tempDestination_ = url; }
  void SetSaveAsSinglePDF(bool flag) { saveAsSinglePDF_ = flag; }
  // How long one page may take to load and print.
  void SetTimeoutSeconds(int seconds) { timeoutSeconds_ = seconds; }

  // Prints one page into the temporary destination; false when it does not load or print in
  // time.
  bool SaveAsPDF(const QString& url);
  // Every source into its own file in the destination folder; stops at the first failure.
  bool SaveAsPDF();
  // Every source into the destination file.
  bool SaveAsTextToSinglePDF();

 private:
  bool printPage(const QString& url, const QString& pdf) const;

  JobItemList sources_;
  QString destination_;
  ProgressCallbackInfo progress_;
  double pageWidth_ = 612.0;
  double pageHeight_ = 792.0;
  double leftMargin_ = 0.0;
  double rightMargin_ = 0.0;
  double topMargin_ = 0.0;
  double bottomMargin_ = 0.0;
  uint64_t orientation_ = 0;
  QVariantMap attributes_;
  QString tempDestination_;
  bool saveAsSinglePDF_ = false;
  int timeoutSeconds_ = 60;
};

}  // namespace glimbrik
