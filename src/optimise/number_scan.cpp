#include "optimise/number_scan.h"

#include <limits>

namespace glimbrik {

bool ScanInteger(const QString& text, qsizetype& position, qint64& value) {
  qsizetype at = position;
  while (at < text.size() && text.at(at).isSpace()) ++at;
  bool negative = false;
  if (at < text.size() && (text.at(at) == QLatin1Char('-') || text.at(at) == QLatin1Char('+'))) {
    negative = text.at(at) == QLatin1Char('-');
    ++at;
  }
  const qsizetype digitsStart = at;
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  qint64 magnitude = 0;
  while (at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9')) {
    const int digit = text.at(at).unicode() - '0';
    magnitude = magnitude > (kMax - digit) / 10 ? kMax : magnitude * 10 + digit;
    ++at;
  }
  if (at == digitsStart) return false;
  value = negative ? -magnitude : magnitude;
  position = at;
  return true;
}

}  // namespace glimbrik
