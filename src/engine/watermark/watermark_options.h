#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QSizeF>
#include <cstdint>
#include <optional>

#include "engine/tokens/text_token.h"

namespace glimbrik {

// One text watermark to draw. Geometry is in the 550-point reference space: a canvas of w x h
// pixels measures w / s by h / s units with s = max(w, h) / 550, and y grows upwards.
struct TextWatermarkOptions {
  uint8_t dropShadow = 0;
  int32_t underline = 0;    // underline style; 0 none
  uint8_t alignment = 0;    // 0 left, 1 right, 2 centre, 3 justified, 4 natural
  int32_t drawingMode = 0;  // 0 fill, 1 outline only, 2 fill and outline
  int32_t position = 6;     // anchor tag 0-8
  int64_t fontSize = 0;
  int64_t strokeWidth = 0;    // percent of the font size
  int64_t rotationAngle = 0;  // degrees about the text's centre, counter-clockwise
  int64_t shadowBlur = 0;
  int64_t shadowXOffset = 0;
  int64_t shadowYOffset = 0;  // upwards
  double opacity = 1.0;
  double charSpace = 0.0;  // extra advance after each character
  QPointF offset;          // from the anchor, valid for baseImageSize
  // Canvas in reference units for which offset was set; zero means never set. QSizeF's own
  // default is (-1, -1), which would flip and scale the offset far off the canvas.
  QSizeF baseImageSize{0.0, 0.0};
  TokenArray tokens;  // the text: plain strings and tokens, expanded per image
  QFont font;         // family and face; the size is fontSize
  QColor textColor;
  QColor strokeColor;
  std::optional<QColor> shadowColor;  // no colour, no shadow
};

}  // namespace glimbrik
