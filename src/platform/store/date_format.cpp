#include "platform/store/date_format.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/unistr.h>

#include <memory>

namespace glimbrik {

namespace {

icu::UnicodeString ToUnicode(const QString& text) {
  return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()),
                            static_cast<int32_t>(text.size()));
}

QString FromUnicode(const icu::UnicodeString& text) {
  return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// A fresh formatter per use: ICU formatters are not safe to share between threads.
std::unique_ptr<icu::SimpleDateFormat> MakeFormatter(const QString& pattern, DateLocale locale) {
  if (pattern.isEmpty()) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  const icu::Locale where =
      locale == DateLocale::kPosix ? icu::Locale("en_US_POSIX") : icu::Locale::getDefault();
  auto formatter = std::make_unique<icu::SimpleDateFormat>(ToUnicode(pattern), where, status);
  if (U_FAILURE(status)) return nullptr;
  // Strict, so that "2021:13:45 ..." fails instead of rolling over into the next year.
  formatter->setLenient(false);
  return formatter;
}

}  // namespace

QString FormatDateWithPattern(const QDateTime& moment, const QString& pattern, DateLocale locale) {
  if (!moment.isValid()) return QString();
  const auto formatter = MakeFormatter(pattern, locale);
  if (!formatter) return QString();
  icu::UnicodeString out;
  formatter->format(static_cast<UDate>(moment.toMSecsSinceEpoch()), out);
  return FromUnicode(out);
}

std::optional<QDateTime> ParseDateWithPattern(const QString& text, const QString& pattern,
                                              DateLocale locale) {
  const auto formatter = MakeFormatter(pattern, locale);
  if (!formatter || text.isEmpty()) return std::nullopt;
  const icu::UnicodeString source = ToUnicode(text);
  icu::ParsePosition position(0);
  const UDate parsed = formatter->parse(source, position);
  if (position.getErrorIndex() >= 0 || position.getIndex() != source.length()) return std::nullopt;
  return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(parsed), Qt::UTC).toLocalTime();
}

}  // namespace glimbrik
