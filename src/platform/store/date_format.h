#pragma once

// Dates written and read with Unicode (LDML) date patterns such as "dd/MM/yyyy" or "HH:mm".
// These are ICU patterns, not QDateTime ones: "a", "EEE", "zzz", "'" quoting and the like
// mean what the Unicode date-format standard says.

#include <QDateTime>
#include <QString>
#include <optional>

namespace glimbrik {

enum class DateLocale {
  kDefault,  // the user's locale: month and day names, digits and calendar as the user reads them
  kPosix,  // fixed machine forms ("yyyy:MM:dd HH:mm:ss"): Gregorian, ASCII digits, any user locale
};

// The moment written with the pattern in the default time zone. Empty when the pattern is empty
// or ICU cannot build a formatter for it.
QString FormatDateWithPattern(const QDateTime& moment, const QString& pattern,
                              DateLocale locale = DateLocale::kDefault);

// Parses text that must match the pattern from its first to its last character, in the default
// time zone unless the text names a zone. No date when it does not match.
std::optional<QDateTime> ParseDateWithPattern(const QString& text, const QString& pattern,
                                              DateLocale locale = DateLocale::kDefault);

}  // namespace glimbrik
