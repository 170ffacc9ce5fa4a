#include "pdfjobs/assembly/files_to_pdf.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <vector>

#include "engine/convert/image_types.h"
#include "engine/files/file_utils.h"
#include "pdfjobs/assembly/document_to_pdf.h"
#include "pdfjobs/assembly/html_to_pdf.h"
#include "pdfjobs/assembly/pdf_page_assembler.h"
#include "pdfjobs/job_progress.h"
#include "platform/pdf/pdf_builder.h"

namespace glimbrik {

namespace {

enum FileType { kImage = 1, kDocument = 2, kPDF = 3, kHTML = 4 };

const QString kFilePath = QStringLiteral("FilePath");

void ConfigureHTML(HTMLToPDF* h, const FilesToPDFConversionOptions& o, bool attributes) {
  h->Init(o.pageWidth, o.pageHeight, o.leftMargin, o.rightMargin, o.topMargin, o.bottomMargin,
          o.orientation, attributes ? o.pdfDocumentAttributes : QVariantMap());
  h->SetProgressCallbackInfo(o.progressCallback);
}

// A source PDF opened with the item's password; null when it is missing, no PDF, or refused
// (locked, printing not allowed, no pages). wrongPassword tells a refusal for a password apart.
std::unique_ptr<PdfBuilder> OpenSourcePDF(const QVariantMap& item, bool* refused) {
  *refused = false;
  const QString path = item.value(kFilePath).toString();
  if (!QFileInfo(path).isFile()) return nullptr;
  PdfBuilder::OpenStatus status;
  std::unique_ptr<PdfBuilder> pdf =
      PdfBuilder::Open(path, item.value(QStringLiteral("Password")).toString().toUtf8(), &status);
  if (!pdf) {
    *refused = status == PdfBuilder::OpenStatus::WrongPassword;
    return nullptr;
  }
  if ((pdf->isEncrypted() && !pdf->allowsPrinting()) || pdf->pageCount() == 0) {
    *refused = true;
    return nullptr;
  }
  return pdf;
}

}  // namespace

bool FilesToPDF::convertEach() {
  const FilesToPDFConversionOptions& o = *options_;
  bool result = true;
  for (const QVariantMap& item : o.items) {
    if (item.isEmpty()) continue;
    const QString path = item.value(kFilePath).toString();
    const QString destination =
        UniqueFileURLForItem(o.destinationURL, path, QStringLiteral("pdf"), false);
    ReportJobProgressAndWait(o.progressCallback, 3);
    bool ok = false;
    switch (item.value(QStringLiteral("FileType")).toInt()) {
      case kImage: {
        PDFPageAssembler assembler;
        assembler.setOptions(o);
        PdfBuilder pdf;
        int64_t index = 0;
        ok = assembler.addImageFile(path, &pdf, &index, item.value(QStringLiteral("Angle"))) &&
             pdf.write(destination, o.pdfDocumentAttributes);
        break;
      }
      case kDocument: {
        DocumentToPDF document;
        document.setOptions(o);
        ok = document.convertDocument(path, destination);
        break;
      }
      case kPDF: {
        bool refused = false;
        const std::unique_ptr<PdfBuilder> pdf = OpenSourcePDF(item, &refused);
        if (pdf) {
          pdf->rotatePages(int(ItemRotationAngle(item.value(QStringLiteral("Angle")))));
          ok = pdf->write(destination, o.pdfDocumentAttributes);
        }
        // A PDF that cannot be rewritten, or may not be, is passed on as it is.
        if (!ok && (pdf || refused)) ok = ReplaceItemAtURL(path, destination, false) == 1;
        break;
      }
      case kHTML: {
        HTMLToPDF html;
        ConfigureHTML(&html, o, true);
        html.SetTempDestinationURL(destination);
        ok = html.SaveAsPDF(path);
        break;
      }
      default:
        ok = true;  // nothing to do for other kinds
        break;
    }
    result = result && ok;
    if (IsJobCancelled(o.progressCallback)) return false;
  }
  return result;
}

bool FilesToPDF::convertToSinglePDF() {
  const FilesToPDFConversionOptions& o = *options_;
  PdfBuilder combined;
  std::vector<std::unique_ptr<PdfBuilder>> sources;  // alive until the combined file is written
  bool result = true;
  for (const QVariantMap& item : o.items) {
    if (item.isEmpty()) continue;
    const QString path = item.value(kFilePath).toString();
    const QString label = BaseNameOfPath(path);
    ReportJobProgressAndWait(o.progressCallback, 3);
    bool ok = false;
    const int type = item.value(QStringLiteral("FileType")).toInt();
    if (type == kImage) {
      PDFPageAssembler assembler;
      assembler.setOptions(o);
      const int64_t first = combined.pageCount();
      int64_t index = first;
      ok = assembler.addImageFile(path, &combined, &index, item.value(QStringLiteral("Angle")));
      if (ok && o.createOutline) combined.addOutlineEntry(label, int(first));
    } else if (type == kPDF) {
      bool refused = false;
      std::unique_ptr<PdfBuilder> pdf = OpenSourcePDF(item, &refused);
      if (pdf) {
        pdf->rotatePages(int(ItemRotationAngle(item.value(QStringLiteral("Angle")))));
        const int first = combined.appendPages(*pdf, 0, pdf->pageCount());
        if (o.createOutline) combined.addOutlineEntry(label, first, pdf.get());
        sources.push_back(std::move(pdf));
        ok = true;
      }
    } else if (type == kDocument || type == kHTML) {
      const QString temporary = TemporaryFileURL();
      bool printed = false;
      if (!temporary.isEmpty() && type == kHTML) {
        HTMLToPDF html;
        ConfigureHTML(&html, o, false);
        html.SetTempDestinationURL(temporary);
        printed = html.SaveAsPDF(path);
      } else if (!temporary.isEmpty()) {
        DocumentToPDF document;
        document.setOptions(o);
        // Passwords belong to the combined file only; the printed pages must open again.
        document.pdfDocumentAttributes.clear();
        printed = document.convertDocument(path, temporary);
      }
      std::unique_ptr<PdfBuilder> pdf = printed ? PdfBuilder::Open(temporary, {}) : nullptr;
      if (pdf) {
        int first = -1;
        for (int i = 0; i < pdf->pageCount(); ++i) {
          if (IsBlankPDFPage(temporary, i)) continue;
          const int at = combined.appendPages(*pdf, i, 1);
          if (first < 0) first = at;
        }
        if (first >= 0 && o.createOutline) combined.addOutlineEntry(label, first);
        ok = first >= 0;
        sources.push_back(std::move(pdf));
      }
      if (!temporary.isEmpty()) QFile::remove(temporary);
    } else {
      ok = true;
    }
    result = result && ok;
    if (IsJobCancelled(o.progressCallback)) return false;
  }
  if (combined.pageCount() == 0) return false;
  ReportJobProgressAndWait(o.progressCallback, 6);
  const bool written = combined.write(o.destinationURL, o.pdfDocumentAttributes);
  ReportJobProgressAndWait(o.progressCallback, 7);
  return written && result;
}

}  // namespace glimbrik
