#pragma once

// The watermark editor's view: a transparent child of the selected-image view, fitted over the
// image, that draws the live overlay with the engine's own watermark renderers and the editing
// aids (frames, handles, drop grid, anchor line, rubber band). It owns the editor's model.
//
// Geometry in the view (frames, the rubber band, the pointer) is y-up, origin at the bottom
// left, as the renderers draw: the painter is flipped once, in paintEvent, and
// ViewPointFromWidget converts a widget position.

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <optional>

#include "engine/text_token.h"
#include "watermark/watermark_model.h"

class QPainter;

namespace glimbrik {

// What the view asks of the application.
struct WatermarkViewHost {
  // The selected-image view's labels follow the view's size.
  std::function<void()> updateFileDescription;
  // A watermark edit made the photo preset unsaved; nothing for a null sender.
  std::function<void(QObject* sender)> changeGlobalPresetOption;
  // The chosen photo preset's title; empty for the built-in item.
  std::function<QString()> selectedPhotoPresetTitle;
  // The text of a watermark for the selected image; null without one.
  std::function<QString(const TokenArray& tokens)> textWatermarkFullString;
  // A text preset's row was removed: the photo presets forget it and renumber the later rows.
  std::function<void(int64_t row)>
      UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex;
};

// The editor's controls, as the panels that show them install them. Every member is optional.
struct WatermarkControls {
  std::function<void(const TextWatermarkValues&)> assignTextValues;
  std::function<void(const ImageWatermarkValues&)> assignImageValues;
  std::function<void(bool enable)> enableDisablePresetButtons;
};

class WatermarkView : public QWidget {
  Q_OBJECT
 public:
  // A child of mainImagePreview, fitted over its image.
  explicit WatermarkView(QWidget* mainImagePreview);

  WatermarkModel& model() { return model_; }
  const WatermarkModel& model() const { return model_; }
  WatermarkViewHost host;
  WatermarkControls controls;

  // --- Life cycle and fitting.
  QWidget* mainImagePreview() const { return parentWidget(); }
  void updateFrameRect();
  // The aspect ratio of the shown image; refits and redraws.
  void setImageAspectRatio(double ratio);
  double imageAspectRatio() const { return model_.imageAspectRatio(); }

  // --- Fonts (fontconfig members of a family: PostScript name and face name).
  // The installed font families, sorted; the family combo box lists them.
  QStringList fontFamilyArray;
  // The first member of the family; the font stays when the family has none.
  void ChangeSelectedFont(const QString& family);
  // The member of the family with that face name; the font stays when none matches.
  void ChangeSelectedFontStyle(const QString& family, const QString& face);
  // The font as the edited one and in the selected presets.
  void setFontName(const QFont& font);

  // --- Transfers.
  TextWatermarkRecords GetSelectedTextWatermarkOptions() const;
  void ChangeAndSetTextWaterMarkPrefOptions(int64_t row);
  void ChangeAndSetTextWaterMarkPrefOptionsFromDict(const QVariantMap* preset);
  void ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(int64_t row);
  void AssignTextWaterMarkValuesToControl();
  // Writes the text keys; the base size is recomputed from the view first.
  void GetTextWatermarkPreferenceValue(QVariantMap* preset);
  void ChangeAndSetImageWaterMarkPrefOptionsFromDict(const QVariantMap* preset);
  void AssignImageWaterMarkValuesToControl();
  // Writes the image keys with a new copy of the watermark image.
  void GetImagePreferenceValue(QVariantMap* preset);
  void ChangeAndSetImageWaterMarkPrefOptions(const QString& presetName);
  // A TIFF copy of image in the support folder; empty when it cannot be written.
  static QString SaveWatermarkImageCopy(const QImage& image);
  static QString CreateWatermarkImageFile();

  // --- Drawing helpers (y-up view coordinates).
  static QPointF GetSelectedBoxAnchorPointForPositionTag(int tag, const QRectF& rect);
  QPointF ViewPointFromWidget(QPointF widgetPoint) const;
  // The drop cell (tag 0-8) under a y-up point of a W x H view, -1 outside; clamps the point
  // onto the view first.
  static int DropCellForPoint(QPointF point, double W, double H, QRectF* cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int DrawBackgroundBox(QPainter* painter, QRectF* outSelectedRect);
  QRectF DrawBoundingFrame(QPainter* painter, const QRectF& frame, double scale, int64_t angle,
                           bool shouldDraw);
  void DrawLineFromAnchorPointToWatermarkFramePoistionPoint(QPainter* painter, const QRectF& cell,
                                                            int tag, const QRectF& frame,
                                                            double scale, int64_t angle,
                                                            bool shouldDraw);
  void drawHandleInView(QPainter* painter, QPointF point);
  void drawImageWatermark(QPainter* painter, double W, double H, int dropTag,
                          const QRectF& dropCell);
  void drawTextWatermarks(QPainter* painter, double W, double H, int dropTag,
                          const QRectF& dropCell);

  WatermarkModel model_;
  double handleSize_ = 6.0;
  double halfHandleSize_ = 3.0;
};

}  // namespace glimbrik
