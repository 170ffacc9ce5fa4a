#include "platform/pdf/pdf_words.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-page.h>

#include <QFile>

namespace glimbrik {

namespace {

QString FromUstring(const poppler::ustring& text) {
  const poppler::byte_array utf8 = text.to_utf8();
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// "ABCDEF+Times-Bold" is a subset of Times-Bold.
QString WithoutSubsetPrefix(const std::string& name) {
  const QString font = QString::fromLatin1(name.c_str());
  const int plus = font.indexOf(QLatin1Char('+'));
  return plus == 6 ? font.mid(7) : font;
}

}  // namespace

struct PdfWordReader::State {
  std::unique_ptr<poppler::document> document;
};

PdfWordReader::PdfWordReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
PdfWordReader::~PdfWordReader() = default;

std::unique_ptr<PdfWordReader> PdfWordReader::Open(const QString& path,
                                                   const QByteArray& password) {
  try {
    const std::string file = QFile::encodeName(path).toStdString();
    auto state = std::make_unique<State>();
    state->document.reset(poppler::document::load_from_file(file));
    if (state->document && state->document->is_locked() && !password.isEmpty()) {
      state->document->unlock(password.toStdString(), password.toStdString());
    }
    if (!state->document || state->document->is_locked()) return nullptr;
    return std::unique_ptr<PdfWordReader>(new PdfWordReader(std::move(state)));
  } catch (...) {
    return nullptr;
  }
}

std::vector<PdfWord> PdfWordReader::words(int index) const {
  std::vector<PdfWord> words;
  if (index < 0 || index >= state_->document->pages()) return words;
  try {
    const std::unique_ptr<poppler::page> page(state_->document->create_page(index));
    if (!page) return words;
    for (poppler::text_box& box : page->text_list(poppler::page::text_list_include_font)) {
      const poppler::rectf r = box.bbox();
      words.push_back({FromUstring(box.text()), QRectF(r.x(), r.y(), r.width(), r.height()),
                       box.has_font_info() ? WithoutSubsetPrefix(box.get_font_name()) : QString(),
                       box.has_font_info() ? box.get_font_size() : 0.0});
    }
  } catch (...) {
    words.clear();
  }
  return words;
}

}  // namespace glimbrik
