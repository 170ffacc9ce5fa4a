#include "engine/tokens/token_string.h"

#include <QChar>
#include <array>
#include <cstdio>
#include <optional>

#include "engine/tokens/token_string_sources.h"
#include "platform/metadata/metadata_read.h"
#include "platform/store/date_format.h"

namespace glimbrik {

namespace {

bool CaseRuleApplies(int64_t tag) {
  return (tag >= 3 && tag <= 6) || tag == 8 || tag == 9 || (tag >= 15 && tag <= 21);
}

QString Capitalized(const QString& text) {
  QString out;
  out.reserve(text.size());
  bool inWord = false;
  for (qsizetype i = 0; i < text.size();) {
    char32_t code = text.at(i).unicode();
    qsizetype length = 1;
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      length = 2;
    }
    const QString piece = text.mid(i, length);
    const QChar::Category category = QChar::category(code);
    const bool isMark = category == QChar::Mark_NonSpacing ||
                        category == QChar::Mark_SpacingCombining ||
                        category == QChar::Mark_Enclosing;
    // An apostrophe inside a word keeps it one word ("don't"), not two.
    const bool apostrophe = inWord && (code == U'\'' || code == U'\u2019');
    if (!QChar::isLetterOrNumber(code) && !isMark && !apostrophe) {
      out += piece;
      inWord = false;
    } else if (!inWord && QChar::isLetter(code)) {
      const char32_t title = QChar::toTitleCase(code);
      out += QString::fromUcs4(&title, 1);
      inWord = true;
    } else {
      out += piece.toLower();
      inWord = true;
    }
    i += length;
  }
  return out;
}

// printf's "%.f": nearest whole number, halves to even.
QString WholeNumberText(double value) {
  std::array<char, 400> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%.f", value);
  return QString::fromLatin1(buffer.data());
}

QString SourceBaseName(const QString& filePath) {
  const QString fileName = filePath.mid(filePath.lastIndexOf(QLatin1Char('/')) + 1);
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  return dot > 0 ? fileName.left(dot) : fileName;
}

// Reads the file's metadata on first use only.
class MetadataOnDemand {
 public:
  explicit MetadataOnDemand(const QString& path) : path_(path) {}
  const ImageMetadataValues* get() {
    if (!read_) {
      values_ = ReadImageMetadataValues(path_);
      read_ = true;
    }
    return values_ ? &*values_ : nullptr;
  }

 private:
  const QString& path_;
  bool read_ = false;
  std::optional<ImageMetadataValues> values_;
};

std::optional<QString> ImageDateToken(const QVXWatermarkTextToken& token,
                                      MetadataOnDemand& metadata, const QString& filePath) {
  const QString& format = token.dateTimeFormatString();
  if (format.isNull()) return std::nullopt;
  const auto text = ImageDateText(metadata.get(), filePath);
  if (!text) return std::nullopt;
  const auto moment =
      ParseDateWithPattern(*text, QStringLiteral("yyyy:MM:dd HH:mm:ss"), DateLocale::kPosix);
  if (!moment) return std::nullopt;
  return FormatDateWithPattern(*moment, format);
}

std::optional<QString> TokenText(const QVXWatermarkTextToken& token, const QDateTime& now,
                                 const QString& filePath, MetadataOnDemand& metadata,
                                 const QString& name, int64_t index, double width, double height,
                                 double dpi) {
  const int64_t tag = token.tokenTag();
  switch (tag) {
    case 1: {
      if (index == kNoTokenIndex) return std::nullopt;
      // Wraps like the two's-complement sum instead of overflowing.
      const auto value = static_cast<int64_t>(static_cast<uint64_t>(token.startDigit()) +
                                              static_cast<uint64_t>(index));
      return FormatIndexNumber(value, token.numberLength());
    }
    case 3:
    case 4:
      return ImageDateToken(token, metadata, filePath);
    case 5:
    case 6:
      if (token.dateTimeFormatString().isNull()) return std::nullopt;
      return FormatDateWithPattern(now, token.dateTimeFormatString());
    case 8:
      if (index != kNoTokenIndex) return SourceBaseName(filePath);
      if (name.isNull()) return std::nullopt;
      return QString(name).replace(QLatin1Char(':'), QLatin1Char('/'));
    case 9:
      return SourceBaseName(filePath);
    case 11:
      return WholeNumberText(width);
    case 12:
      return WholeNumberText(height);
    case 13:
      return WholeNumberText(dpi);
    default:
      if (tag >= 15 && tag <= 21) {
        const ImageMetadataValues* values = metadata.get();
        return values ? MetadataTokenText(*values, tag) : std::nullopt;
      }
      return std::nullopt;
  }
}

}  // namespace

QString ApplyCaseTag(const QString& text, int64_t caseTag) {
  switch (caseTag) {
    case 1:
      return text.toLower();
    case 2:
      return text.toUpper();
    case 3:
      return Capitalized(text);
    default:
      return text;
  }
}

QString BuildTokenString(const QString& filePath, const TokenArray& tokens, const QString& name,
                         int64_t index, double width, double height, double dpi) {
  return BuildTokenStringAt(QDateTime::currentDateTime(), filePath, tokens, name, index, width,
                            height, dpi);
}

QString BuildTokenStringAt(const QDateTime& now, const QString& filePath, const TokenArray& tokens,
                           const QString& name, int64_t index, double width, double height,
                           double dpi) {
  MetadataOnDemand metadata(filePath);
  QString result(QLatin1String(""));
  for (const TokenElement& element : tokens) {
    if (const auto* text = std::get_if<QString>(&element)) {
      result += *text;
      continue;
    }
    const auto& token = std::get<QVXWatermarkTextToken>(element);
    const auto text = TokenText(token, now, filePath, metadata, name, index, width, height, dpi);
    if (!text) continue;
    result += CaseRuleApplies(token.tokenTag()) ? ApplyCaseTag(*text, token.caseTag()) : *text;
  }
  return result;
}

}  // namespace glimbrik
