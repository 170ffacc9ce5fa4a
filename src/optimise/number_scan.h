#pragma once

#include <QString>

namespace glimbrik {

// Reads a decimal integer at position after any white space, with an optional sign, and moves
// position past it. False, with position unchanged, when no digit is there. Values beyond the
// 64-bit range are clamped.
bool ScanInteger(const QString& text, qsizetype& position, qint64& value);

}  // namespace glimbrik
