#include "app/rename_string.h"

#include <QFileInfo>
#include <utility>

#include "engine/resize_math.h"
#include "engine/token_string.h"
#include "platform/image_header.h"

namespace glimbrik {

QString GetRenameStringForObject(const BatchEntry& entry, const ImageResizeOptions* resize,
                                 uint64_t index, const TokenArray& tokens) {
  double width = entry.width;
  double height = entry.height;
  double dpi = entry.resolution;
  if ((width <= 0.0 || height <= 0.0) && IsRenameContainsResizeTokens(tokens)) {
    // The list has not loaded this entry's facts yet: the file's header has them.
    if (const ImageHeaderResult read = ReadImageHeader(entry.filePath)) {
      width = read.header->displayWidth();
      height = read.header->displayHeight();
      dpi = read.header->dpiX;
    }
  }
  if (resize) ComputeResizedSize(*resize, &width, &height, &dpi);
  // Both sides keep their fractions: cutting one alone would make a 1234 x 1235 image
  // 1234 x 1234 after the turn.
  if ((static_cast<int64_t>(entry.angle) / 90) % 2 != 0) std::swap(width, height);
  const QString name = BuildTokenString(entry.filePath, tokens, QString(),
                                        static_cast<int64_t>(index), width, height, dpi);
  if (!name.isEmpty()) return name;
  return QFileInfo(entry.filePath).completeBaseName();
}

std::optional<TokenArray> BuiltInRenamePattern(int index) {
  using Token = QVXWatermarkTextToken;
  const Token number(QStringLiteral("#"), 1);
  const auto date = [](const char* format) {
    return Token(QStringLiteral("Capture Date"), 3, QString::fromLatin1(format));
  };
  switch (index) {
    case 2:
      return TokenArray{QStringLiteral("IMG_"), number};
    case 3:
      return TokenArray{QStringLiteral("IMG_"), date("yyyy"), QStringLiteral("_"), date("MM"),
                        QStringLiteral("_"),    date("dd"),   QStringLiteral(" ")};
    case 4:
      return TokenArray{date("yyyy"), QStringLiteral(" "), date("MMM"), QStringLiteral(" IMG_"),
                        number};
    case 5:
      return TokenArray{QStringLiteral("IMG ["), Token(QStringLiteral("Image Width"), 11),
                        QStringLiteral("x"),     Token(QStringLiteral("Image Height"), 12),
                        QStringLiteral("] "),    number};
    case 6:
      return TokenArray{Token(QStringLiteral("Camera Maker"), 18), QStringLiteral("_"), number};
    default:
      return std::nullopt;
  }
}

bool IsRenameContainsResizeTokens(const TokenArray& tokens) {
  for (const TokenElement& element : tokens) {
    const auto* token = std::get_if<QVXWatermarkTextToken>(&element);
    if (token && token->tokenTag() >= 11 && token->tokenTag() <= 13) return true;
  }
  return false;
}

}  // namespace glimbrik
