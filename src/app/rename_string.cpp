#include "app/rename_string.h"

#include <QFileInfo>
#include <cmath>

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
  if ((static_cast<int64_t>(entry.angle) / 90) % 2 != 0) {
    const double oldWidth = width > 0.0 ? std::trunc(width) : 0.0;
    width = height;
    height = oldWidth;
  }
  const QString name = BuildTokenString(entry.filePath, tokens, QString(),
                                        static_cast<int64_t>(index), width, height, dpi);
  if (!name.isEmpty()) return name;
  return QFileInfo(entry.filePath).completeBaseName();
}

bool IsRenameContainsResizeTokens(const TokenArray& tokens) {
  for (const TokenElement& element : tokens) {
    const auto* token = std::get_if<QVXWatermarkTextToken>(&element);
    if (token && token->tokenTag() >= 11 && token->tokenTag() <= 13) return true;
  }
  return false;
}

}  // namespace glimbrik
