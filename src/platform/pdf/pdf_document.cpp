#include "platform/pdf/pdf_document.h"

#include <poppler/qt6/poppler-qt6.h>

#include <algorithm>
#include <cstring>

namespace glimbrik {

struct PdfDocument::State {
  std::unique_ptr<Poppler::Document> document;
};

PdfDocument::PdfDocument(std::unique_ptr<State> state) : state_(std::move(state)) {}
PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::Open(const QString& path, const QByteArray& password) {
  try {
    auto state = std::make_unique<State>();
    // A file with only an owner password opens without one, whatever password was given.
    state->document = Poppler::Document::load(path);
    if (!state->document) return nullptr;
    if (state->document->isLocked() && !password.isEmpty()) {
      state->document->unlock(password, password);
    }
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(state)));
  } catch (...) {
    return nullptr;
  }
}

// Poppler cannot see the encryption of a document it could not decrypt: a locked one counts.
bool PdfDocument::isEncrypted() const {
  return state_->document->isLocked() || state_->document->isEncrypted();
}
bool PdfDocument::isLocked() const { return state_->document->isLocked(); }

bool PdfDocument::unlock(const QByteArray& password) {
  if (!state_->document->isLocked()) return true;
  try {
    state_->document->unlock(password, password);
    return !state_->document->isLocked();
  } catch (...) {
    return false;
  }
}

int PdfDocument::pageCount() const {
  return state_->document->isLocked() ? 0 : state_->document->numPages();
}

QString PdfDocument::pageText(int index) const {
  if (index < 0 || index >= pageCount()) return QString();
  try {
    const std::unique_ptr<Poppler::Page> page = state_->document->page(index);
    // An empty rectangle means the unrotated crop box, which cuts the text of a turned page.
    return page ? page->text(QRectF(QPointF(0, 0), page->pageSizeF())) : QString();
  } catch (...) {
    return QString();
  }
}

QStringList PdfDocument::fontNames() const {
  QStringList names;
  if (isLocked()) return names;
  try {
    for (const Poppler::FontInfo& font : state_->document->fonts()) {
      QString name = font.name();
      if (name.size() > 7 && name[6] == QLatin1Char('+')) name = name.mid(7);
      if (!name.isEmpty() && !names.contains(name)) names << name;
    }
  } catch (...) {
  }
  return names;
}

namespace {

std::vector<PdfOutlineEntry> EntriesOf(const QVector<Poppler::OutlineItem>& items) {
  std::vector<PdfOutlineEntry> entries;
  for (const Poppler::OutlineItem& item : items) {
    entries.push_back({item.name(), EntriesOf(item.children())});
  }
  return entries;
}

}  // namespace

std::vector<PdfOutlineEntry> PdfDocument::outline() const {
  if (isLocked()) return {};
  try {
    return EntriesOf(state_->document->outline());
  } catch (...) {
    return {};
  }
}

namespace {

QImage RenderWhole(Poppler::Document& document, int index, double dpi, const QColor& paper,
                   bool smooth, bool smoothText) {
  try {
    document.setPaperColor(paper);
    document.setRenderHint(Poppler::Document::Antialiasing, smooth);
    document.setRenderHint(Poppler::Document::TextAntialiasing, smoothText);
    const std::unique_ptr<Poppler::Page> page = document.page(index);
    return page ? page->renderToImage(dpi, dpi) : QImage();
  } catch (...) {
    return QImage();
  }
}

}  // namespace

QImage PdfDocument::renderPage(int index, double dpi, const QColor& paper) const {
  if (index < 0 || index >= pageCount() || dpi <= 0) return QImage();
  return RenderWhole(*state_->document, index, dpi, paper, true, false);
}

QImage PdfDocument::renderPageInks(int index, double dpi) const {
  if (index < 0 || index >= pageCount() || dpi <= 0) return QImage();
  return RenderWhole(*state_->document, index, dpi, Qt::white, false, false);
}

QImage PdfDocument::renderPageRegion(int index, double dpi, QSize pixels,
                                     const QColor& paper) const {
  if (index < 0 || index >= pageCount() || dpi <= 0 || pixels.isEmpty()) return QImage();
  try {
    state_->document->setPaperColor(paper);
    state_->document->setRenderHint(Poppler::Document::Antialiasing, true);
    state_->document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    const std::unique_ptr<Poppler::Page> page = state_->document->page(index);
    if (!page) return QImage();
    QImage image = page->renderToImage(dpi, dpi, 0, 0, pixels.width(), pixels.height());
    if (image.isNull() || image.size() == pixels) return image;
    // Poppler may round the page's pixel size the other way: pad or cut to the asked size.
    QImage sized(pixels, QImage::Format_ARGB32_Premultiplied);
    if (sized.isNull()) return sized;
    sized.fill(paper);
    for (int y = 0; y < std::min(image.height(), pixels.height()); ++y) {
      const QImage line = image.copy(0, y, std::min(image.width(), pixels.width()), 1)
                              .convertToFormat(QImage::Format_ARGB32_Premultiplied);
      std::memcpy(sized.scanLine(y), line.constScanLine(0), size_t(line.width()) * 4);
    }
    return sized;
  } catch (...) {
    return QImage();
  }
}

std::optional<QSizeF> PdfDocument::pageSize(int index) const {
  if (index < 0 || index >= pageCount()) return std::nullopt;
  try {
    const std::unique_ptr<Poppler::Page> page = state_->document->page(index);
    if (!page) return std::nullopt;
    return page->pageSizeF();
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace glimbrik
