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
#include <QPointer>
#include <QPushButton>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "engine/tokens/text_token.h"
#include "watermark/watermark_model.h"

class QMouseEvent;
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
  // A question on the main window: 1 default, 0 alternate, -1 other button. Without it the
  // default answer is taken.
  std::function<qint64(const QString& title, const QString& message, const QString& defaultButton,
                       const QString& alterButton, const QString& otherButton)>
      showCustomAlert;
  // A text preset's row was removed: the photo presets forget it and renumber the later rows.
  std::function<void(int64_t row)>
      UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex;
};

// The editor's controls, as the panels that show them install them. Every member is optional.
struct WatermarkControls {
  std::function<void(const TextWatermarkValues&)> assignTextValues;
  std::function<void(const ImageWatermarkValues&)> assignImageValues;
  std::function<void(bool enable)> enableDisablePresetButtons;
  // The watermark text as its field holds it; a new preset is named after it.
  std::function<TokenArray()> textFieldTokens;
  // The edited text preset's position and offset, and the image watermark's, into their
  // controls (position matrix, offset fields and steppers).
  std::function<void()> showTextPlacement;
  std::function<void()> showImagePlacement;
};

class WatermarkPresetTableModel;

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
  // A new empty file "watermark_image<N>" in the support folder, N the lowest free number,
  // created exclusively so that two callers never share one; empty when none can be made.
  static QString CreateWatermarkImageFile();
  static QString CreateWatermarkImageFileIn(const QString& folder);

  // --- Image watermark settings (watermark_view_image.cpp). Each redraws.
  void ImageWatermarkOnOffAction(bool on);
  // The picture of the image well; a null image removes the image watermark.
  void setWatermarkImage(const QImage& image);
  // Reads a picture for the well; an empty error means it was taken, otherwise the well keeps
  // its picture and the error says why.
  QString SetWatermarkImageFromFile(const QString& path);
  void setWatermarkImageOpacityValue(double opacity);
  void setWatermarkImageSizeValue(double fraction);
  void setImageAngleValue(int64_t angle);
  // A position chosen in the matrix puts the watermark back on its anchor.
  void setImagePositionValue(int tag);
  // Percentages of the base size (550 for a side that is not above 0).
  void setImageWatermarkXOffset(double percent);
  void setImageWatermarkYOffset(double percent);
  QPointF imageWatermarkOffsetPercent() const;

  // --- Interaction (watermark_view_mouse.cpp); points are y-up view points.
  // The offset, in the reference space, that keeps a frame moved by movement where it lies
  // when anchored by tag in a W x H view.
  static QPointF OffsetForMovedFrame(int tag, const QRectF& frame, QPointF movement, double W,
                                     double H);
  // Whether the frame turned about its centre by angle degrees contains point.
  static bool HitAreaContains(const QRectF& frame, int64_t angle, QPointF point);
  // Whether its outline meets rect.
  static bool HitAreaMeets(const QRectF& frame, int64_t angle, const QRectF& rect);
  void selectAndTrackMouse(QPointF point, bool extend);
  void trackMouseTo(QPointF point);
  void endMouseTracking();
  void GetTextWatermarkOffsetUsingAsPerPosition(QPointF movement, int64_t row);
  void GetImageWatermarkOffsetUsingAsPerPosition(QPointF movement);

  // --- Text watermark presets (watermark_view_presets.cpp). The table and its buttons are made
  // by MakePresetTableControls; until then the operations work on the model alone.
  QWidget* MakePresetTableControls();
  QTableView* waterMarkTableOutlet() const { return table_; }
  QPushButton* addPresetButton() const { return addButton_; }
  QPushButton* removePresetButton() const { return removeButton_; }
  QPushButton* savePresetButton() const { return saveButton_; }
  QPushButton* revertPresetButton() const { return revertButton_; }
  void ResetTextWatermarkPresetsFromDatabase();
  // The table shows the model's rows again, keeping its selection.
  void reloadPresetTable();
  void tableViewSelectionDidChange();
  void SelectRowStartingAtRow(int64_t row);
  void EnableDisablePresetButtons(bool enable);
  void EnableDisableSaveButton(bool enable);
  // Stores value in every selected preset and marks it dirty; then the table, the save button,
  // the photo preset and the overlay follow. Nothing without a selected row.
  void setObjectToSelectedPreset(const QVariant& value, const QString& key);
  // The tick of a row: drawn and exported; nothing becomes dirty.
  void setPresetRowTicked(int64_t row, bool ticked);
  // Whether a title typed into a row may end its editing (asks about an empty or taken title).
  bool controlTextShouldEndEditing(int64_t row, const QString& typed);
  void setPresetRowTitle(int64_t row, const QString& typed);
  void UpdatePresetAction(const QString& oldTitle, const QString& newTitle);
  void addToEndOfTable();
  void AddPreset(const QString& title);
  void RemovePreset(const QString& title);
  void removeCellAtSelectedRow();
  void SaveSelectedRow();
  void SaveModifiedTextWatermarkPresetOfIndexes(const std::vector<int64_t>& rows);
  void RevertSelectedRow();
  // YES to go on closing: asks to save presets with unsaved edits.
  bool CheckAndSetModifiedPresetRow();
  // The table's title of a preset: "✦" in front while it has unsaved edits.
  static QString DisplayTitle(const QString& title, bool dirty);

  // --- Text watermark properties (watermark_view_text.cpp): the edited value and every
  // selected preset.
  void setFontSize(int64_t size);
  void setTextStrokeWidth(int64_t width);
  void setTextShadowBlur(int64_t blur);
  void setShadowXOffset(int64_t offset);
  void setShadowYOffset(int64_t offset);
  void setRotationAngle(int64_t angle);
  void setTextOpacityValue(double opacity);
  // Condensed spacing (type 2) stores the value negated.
  void setTextCharSpaceValue(double value);
  void setTextWatermarkXOffset(double percent);
  void setTextWatermarkYOffset(double percent);
  // The offset as percentages of the base size (550 when there is none).
  QPointF textWatermarkOffsetPercent() const;
  void takeFontColorFrom(const QColor& color);
  void takeFontStrokeColorFrom(const QColor& color);
  void takeShadowColorFrom(const QColor& color);
  void setTextUnderlineValue(bool underline);
  void setTextAlignmentValue(int tag);
  // A new anchor puts the offset back on it.
  void setTextPositionValue(int tag);
  // Tags of 3 and more are fill; the mode taken.
  int setDrawingModeValue(int tag);
  void setDropShadowValue(bool on);
  // The font named like the edited one at the edited size.
  QFont GetCurrentFont() const;

  // --- Drawing helpers (y-up view coordinates).
  static QPointF GetSelectedBoxAnchorPointForPositionTag(int tag, const QRectF& rect);
  QPointF ViewPointFromWidget(QPointF widgetPoint) const;
  // The drop cell (tag 0-8) under a y-up point of a W x H view, -1 outside; clamps the point
  // onto the view first.
  static int DropCellForPoint(QPointF point, double W, double H, QRectF* cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
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

  // The selection of the table rows as the overlay changes it (the table follows).
  void selectTableRows(std::vector<int64_t> rows, int64_t selectedRow);
  void reduceTableSelectionToSelectedRow();
  void moveSelectedGraphics(QPointF point);
  void dragSelectionRect(QPointF point);
  // The text row, or the image, under point among what the last paint drew.
  std::optional<int64_t> textWatermarkAt(QPointF point) const;
  bool imageWatermarkAt(QPointF point) const;

  enum class Tracking { None, Graphics, Band };

  WatermarkModel model_;
  // The table and its buttons live in the sidebar, which may go first.
  QPointer<QTableView> table_;
  QPointer<WatermarkPresetTableModel> tableModel_;
  QPointer<QPushButton> addButton_;
  QPointer<QPushButton> removeButton_;
  QPointer<QPushButton> saveButton_;
  QPointer<QPushButton> revertButton_;
  bool reloadingTable_ = false;
  // What the last paint drew: rows and the image index. Only these can be hit.
  std::set<int64_t> drawnLastPaint_;
  Tracking tracking_ = Tracking::None;
  QPointF pressPoint_;
  // The pointer of the drag in progress; the drop grid follows it.
  std::optional<QPointF> dragPointer_;
  // The frames the dragged watermarks had at the press.
  std::map<int64_t, QRectF> dragStartFrames_;
  double handleSize_ = 6.0;
  double halfHandleSize_ = 3.0;
};

}  // namespace glimbrik
