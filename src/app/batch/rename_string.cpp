#include "app/batch/rename_string.h"

#include <QFileInfo>
#include <utility>

#include "engine/convert/resize_math.h"
#include "engine/tokens/token_string.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {

namespace {

bool HasTokenTag(const TokenArray& tokens, int64_t first, int64_t last) {
  for (const TokenElement& element : tokens) {
    const auto* token = std::get_if<QVXWatermarkTextToken>(&element);
    if (token && token->tokenTag() >= first && token->tokenTag() <= last) return true;
  }
  return false;
}

struct OutputSize {
  double width = 0.0;
  double height = 0.0;
  double dpi = 0.0;
};

// The entry's size and resolution after resizing and its turn.
OutputSize OutputSizeOf(const BatchEntry& entry, const ImageResizeOptions* resize, bool needsSize) {
  OutputSize s{entry.width, entry.height, entry.resolution};
  if ((s.width <= 0.0 || s.height <= 0.0) && needsSize) {
    // The list has not loaded this entry's facts yet: the file's header has them.
    if (const ImageHeaderResult read = ReadImageHeader(entry.filePath)) {
      s.width = read.header->displayWidth();
      s.height = read.header->displayHeight();
      s.dpi = read.header->dpiX;
    }
  }
  if (resize) ComputeResizedSize(*resize, &s.width, &s.height, &s.dpi);
  // Both sides keep their fractions: cutting one alone would make a 1234 x 1235 image
  // 1234 x 1234 after the turn.
  if ((static_cast<int64_t>(entry.angle) / 90) % 2 != 0) std::swap(s.width, s.height);
  return s;
}

QString NameOrSourceName(const QString& name, const BatchEntry& entry) {
  return name.isEmpty() ? QFileInfo(entry.filePath).completeBaseName() : name;
}

}  // namespace

QString GetRenameStringForObject(const BatchEntry& entry, const ImageResizeOptions* resize,
                                 uint64_t index, const TokenArray& tokens) {
  const OutputSize s = OutputSizeOf(entry, resize, IsRenameContainsResizeTokens(tokens));
  return NameOrSourceName(BuildTokenString(entry.filePath, tokens, QString(),
                                           static_cast<int64_t>(index), s.width, s.height, s.dpi),
                          entry);
}

QString TextWatermarkFullString(const BatchEntry& entry, const ImageResizeOptions* resize,
                                const std::optional<TokenArray>& renamePattern, uint64_t index,
                                const TokenArray& tokens) {
  const bool showsName = HasTokenTag(tokens, 8, 8);
  const OutputSize s = OutputSizeOf(
      entry, resize,
      HasTokenTag(tokens, 11, 13) ||
          (showsName && renamePattern && IsRenameContainsResizeTokens(*renamePattern)));
  QString name;
  if (showsName) {
    name = NameOrSourceName(
        renamePattern ? BuildTokenString(entry.filePath, *renamePattern, QString(),
                                         static_cast<int64_t>(index), s.width, s.height, s.dpi)
                      : QString(),
        entry);
  }
  return BuildTokenString(entry.filePath, tokens, name, kNoTokenIndex, s.width, s.height, s.dpi);
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

bool IsRenameContainsResizeTokens(const TokenArray& tokens) { return HasTokenTag(tokens, 11, 13); }

}  // namespace glimbrik
