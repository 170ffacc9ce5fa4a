#pragma once

// The watermark editor's data: the text watermark being edited, the preset table, the image
// watermark, the two sidebar switches and the preview's selection. The main thread edits it; a
// run or a preview conversion reads it from its own thread, so every accessor takes the model's
// lock and compound reads (the records of a run) copy what they need under one hold of it.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "engine/convert/conversion_records.h"
#include "engine/tokens/text_token.h"
#include "engine/watermark/watermark_options.h"

namespace glimbrik {

// The values of the text watermark being edited (those of the selected preset).
struct TextWatermarkValues {
  TokenArray textStringTokens;
  QFont textFont;
  int64_t textFontSize = 30;
  int32_t textUnderline = 0;
  int32_t SpacingType = 0;  // 0 none, 1 expanded, 2 condensed
  double textCharSpace = 0.0;
  uint8_t textAlignment = 0;
  int32_t textPosition = 6;
  QPointF textWatermarkOffset;
  QSizeF baseImageSizeForTextWatermark{0.0, 0.0};
  int32_t drawingMode = 0;  // 0 fill, 1 outline, 2 fill and outline
  QColor textFontColor = Qt::black;
  QColor textFontStrokeColor = Qt::white;
  int64_t strokeWidth = 1;
  double textOpacity = static_cast<double>(0.9f);
  int64_t textRotationAngle = 0;
  bool isDropShadowApplied = true;
  QColor textShadowColor = Qt::black;
  int64_t shadowBlur = 3;
  int64_t xOffset = 3;
  int64_t yOffset = -3;
};

// The image watermark's settings; a null image means no image watermark.
struct ImageWatermarkValues {
  QImage image;
  double watermarkImageSizePrecentage = 0.5;
  double watermarkImageOpacity = static_cast<double>(0.8f);
  int64_t imageRotationAngle = 0;
  int32_t imagePosition = 6;
  QPointF imageWatermarkOffset;
  QSizeF baseImageSizeForImageWatermark{550.0, 550.0};
};

// One row of the preset table.
struct WatermarkPresetRow {
  QString title;                    // "TextWatermarkTitle"; empty when the row has none
  bool state = false;               // "TextWatermarkState": drawn and exported when ticked
  std::optional<QRectF> frameRect;  // "TextWatermarkFrameRect": view coordinates, last draw
};

// The text watermark records of a run: count meaningful records, owned by the array.
struct TextWatermarkRecords {
  std::shared_ptr<const TextWatermarkOptions[]> records;
  uint64_t count = 0;
};

#define GLIMBRIK_LOCKED_FIELD(Type, part, name, Setter) \
  Type name() const {                                   \
    std::lock_guard lock(mutex_);                       \
    return part.name;                                   \
  }                                                     \
  void Setter(const Type& value) {                      \
    std::lock_guard lock(mutex_);                       \
    part.name = value;                                  \
  }

class WatermarkModel {
 public:
  // The values of a new editor: defaults, an empty preset table, row 0 selected, both switches
  // on, image base size 550 x 550 and text base size 0 x 0.
  WatermarkModel();

  // Text values back to their defaults; the text base size is kept.
  void InitializeTextWatermarkOptions();
  // Image values back to their defaults; the image and its base size are kept.
  void InitializeImageWatermarkOptions();

  // --- The text watermark being edited.
  TextWatermarkValues textValues() const;
  void setTextValues(const TextWatermarkValues& values);
  GLIMBRIK_LOCKED_FIELD(TokenArray, text_, textStringTokens, setTextStringTokens)
  GLIMBRIK_LOCKED_FIELD(QFont, text_, textFont, setTextFont)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, textFontSize, setTextFontSize)
  GLIMBRIK_LOCKED_FIELD(int32_t, text_, textUnderline, setTextUnderline)
  GLIMBRIK_LOCKED_FIELD(int32_t, text_, SpacingType, setSpacingType)
  GLIMBRIK_LOCKED_FIELD(double, text_, textCharSpace, setTextCharSpace)
  GLIMBRIK_LOCKED_FIELD(uint8_t, text_, textAlignment, setTextAlignment)
  GLIMBRIK_LOCKED_FIELD(int32_t, text_, textPosition, setTextPosition)
  GLIMBRIK_LOCKED_FIELD(QPointF, text_, textWatermarkOffset, setTextWatermarkOffset)
  GLIMBRIK_LOCKED_FIELD(QSizeF, text_, baseImageSizeForTextWatermark,
                        setBaseImageSizeForTextWatermark)
  GLIMBRIK_LOCKED_FIELD(int32_t, text_, drawingMode, setDrawingMode)
  GLIMBRIK_LOCKED_FIELD(QColor, text_, textFontColor, setTextFontColor)
  GLIMBRIK_LOCKED_FIELD(QColor, text_, textFontStrokeColor, setTextFontStrokeColor)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, strokeWidth, setStrokeWidth)
  GLIMBRIK_LOCKED_FIELD(double, text_, textOpacity, setTextOpacity)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, textRotationAngle, setTextRotationAngle)
  GLIMBRIK_LOCKED_FIELD(bool, text_, isDropShadowApplied, setIsDropShadowApplied)
  GLIMBRIK_LOCKED_FIELD(QColor, text_, textShadowColor, setTextShadowColor)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, shadowBlur, setShadowBlur)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, xOffset, setXOffset)
  GLIMBRIK_LOCKED_FIELD(int64_t, text_, yOffset, setYOffset)

  // --- The preset table: rows in table order, and title -> preset dictionary (working copies,
  // unsaved edits included).
  std::vector<WatermarkPresetRow> waterMarkPresetArray() const;
  void setWaterMarkPresetArray(std::vector<WatermarkPresetRow> rows);
  QVariantMap allPresetDictionary() const;
  void setAllPresetDictionary(QVariantMap presets);
  int64_t presetRowCount() const;
  std::optional<WatermarkPresetRow> presetRow(int64_t row) const;
  void setPresetRowState(int64_t row, bool state);
  void setPresetRowFrameRect(int64_t row, std::optional<QRectF> frame);
  // The preset stored under title; none when there is none.
  std::optional<QVariantMap> presetNamed(const QString& title) const;
  void setPresetNamed(const QString& title, const QVariantMap& preset);
  void removePresetNamed(const QString& title);
  // A preset with unsaved edits.
  bool isPresetDirty(const QString& title) const;

  // The preset table's selection as its widget shows it: the selected rows and the most recently
  // selected one (-1 for none).
  std::vector<int64_t> presetTableSelectedRows() const;
  int64_t presetTableSelectedRow() const;
  void setPresetTableSelection(std::vector<int64_t> rows, int64_t selectedRow);
  // Stores value under key in every selected row's preset and marks it dirty; a new position
  // also puts its offset back on the anchor. False, and nothing changed, without a selected row.
  bool setObjectToSelectedPreset(const QVariant& value, const QString& key);

  // --- The image watermark.
  ImageWatermarkValues imageValues() const;
  void setImageValues(const ImageWatermarkValues& values);
  GLIMBRIK_LOCKED_FIELD(QImage, image_, image, setImage)
  GLIMBRIK_LOCKED_FIELD(double, image_, watermarkImageSizePrecentage,
                        setWatermarkImageSizePrecentage)
  GLIMBRIK_LOCKED_FIELD(double, image_, watermarkImageOpacity, setWatermarkImageOpacity)
  GLIMBRIK_LOCKED_FIELD(int64_t, image_, imageRotationAngle, setImageRotationAngle)
  GLIMBRIK_LOCKED_FIELD(int32_t, image_, imagePosition, setImagePosition)
  GLIMBRIK_LOCKED_FIELD(QPointF, image_, imageWatermarkOffset, setImageWatermarkOffset)
  GLIMBRIK_LOCKED_FIELD(QSizeF, image_, baseImageSizeForImageWatermark,
                        setBaseImageSizeForImageWatermark)

  // --- The sidebar switches.
  GLIMBRIK_LOCKED_FIELD(bool, flags_, TextWatermarkFlag, setTextWatermarkFlag)
  GLIMBRIK_LOCKED_FIELD(bool, flags_, ImageWatermarkFlag, setImageWatermarkFlag)

  // --- Preview and interaction state.
  GLIMBRIK_LOCKED_FIELD(std::set<int64_t>, preview_, selectionIndexes, setSelectionIndexes)
  GLIMBRIK_LOCKED_FIELD(QRectF, preview_, m_imageFrameRect, setImageFrameRect)
  GLIMBRIK_LOCKED_FIELD(double, preview_, imageAspectRatio, setImageAspectRatio)
  GLIMBRIK_LOCKED_FIELD(bool, preview_, graphicIsClicked, setGraphicIsClicked)
  GLIMBRIK_LOCKED_FIELD(bool, preview_, isSelectionOnDrag, setIsSelectionOnDrag)
  GLIMBRIK_LOCKED_FIELD(QRectF, preview_, selectionRect, setSelectionRect)

  // --- What a run takes: the ticked, complete presets in table order, and the image watermark.
  TextWatermarkRecords GetSelectedTextWatermarkOptions() const;
  // The image watermark's record; none without an image.
  std::optional<ImageWatermarkOptions> imageWatermarkOptions() const;

 private:
  struct Flags {
    bool TextWatermarkFlag = true;
    bool ImageWatermarkFlag = true;
  };
  struct Preview {
    std::set<int64_t> selectionIndexes{0};
    QRectF m_imageFrameRect;
    double imageAspectRatio = 1.0;
    bool graphicIsClicked = false;
    bool isSelectionOnDrag = false;
    QRectF selectionRect;
  };

  mutable std::mutex mutex_;
  TextWatermarkValues text_;
  ImageWatermarkValues image_;
  std::vector<WatermarkPresetRow> rows_;
  QVariantMap presets_;
  std::vector<int64_t> tableSelectedRows_;
  int64_t tableSelectedRow_ = -1;
  Flags flags_;
  Preview preview_;
};

#undef GLIMBRIK_LOCKED_FIELD

}  // namespace glimbrik
