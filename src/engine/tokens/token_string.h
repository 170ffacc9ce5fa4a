#pragma once

// Expansion of a token array into the text for one image file: the new file name of the rename
// step and the text of each text watermark.
//
// Token tags: 1 index number, 3 image date, 4 image time, 5 current date, 6 current time,
// 8 new file name, 9 source file name, 11 width, 12 height, 13 resolution, 15 author,
// 16 copyright, 17 camera owner, 18 camera make, 19 camera model, 20 lens, 21 keywords.
// Other tags expand to nothing.

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <limits>

#include "engine/tokens/text_token.h"

namespace glimbrik {

// The index of a file that has no place in the image list (watermark text).
inline constexpr int64_t kNoTokenIndex = std::numeric_limits<int64_t>::max();

// Case rule: 1 lower case, 2 upper case, 3 every word's first letter upper case and the rest
// lower case; any other value leaves the text as it is.
QString ApplyCaseTag(const QString& text, int64_t caseTag);

// The text of the array for the file at filePath. name is the text of tag 8 when index is
// kNoTokenIndex (null for none); width, height and dpi are the output image's. The file is opened
// only when a token needs its metadata. Texts taken from metadata come as they are stored: a
// caller that makes a file name of the result makes it safe.
QString BuildTokenString(const QString& filePath, const TokenArray& tokens, const QString& name,
                         int64_t index, double width, double height, double dpi);

// The same with a given moment standing for "now" (tags 5 and 6).
QString BuildTokenStringAt(const QDateTime& now, const QString& filePath, const TokenArray& tokens,
                           const QString& name, int64_t index, double width, double height,
                           double dpi);

}  // namespace glimbrik
