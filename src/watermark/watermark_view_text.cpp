#include "platform/store/geometry_text.h"
#include "platform/store/keyed_archive.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_view.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

// The side of the base size that a percentage counts in: the reference space without one.
double BaseSide(double side) { return side > 0 ? side : kWatermarkBaseSide; }

// An integer style goes into the model and, as the preset file stores it, into the selected
// presets.
void SetIntegerStyle(WatermarkView& view, void (WatermarkModel::*set)(const int64_t&),
                     int64_t value, const char* key) {
  (view.model().*set)(value);
  view.setObjectToSelectedPreset(qint64(value), Key(key));
}

}  // namespace

void WatermarkView::setFontSize(int64_t size) {
  SetIntegerStyle(*this, &WatermarkModel::setTextFontSize, size, kTextFontSizeKey);
}

void WatermarkView::setTextStrokeWidth(int64_t width) {
  SetIntegerStyle(*this, &WatermarkModel::setStrokeWidth, width, kStrokeWidthKey);
}

void WatermarkView::setTextShadowBlur(int64_t blur) {
  SetIntegerStyle(*this, &WatermarkModel::setShadowBlur, blur, kShadowBlurKey);
}

void WatermarkView::setShadowXOffset(int64_t offset) {
  SetIntegerStyle(*this, &WatermarkModel::setXOffset, offset, kShadowXOffsetKey);
}

void WatermarkView::setShadowYOffset(int64_t offset) {
  SetIntegerStyle(*this, &WatermarkModel::setYOffset, offset, kShadowYOffsetKey);
}

void WatermarkView::setRotationAngle(int64_t angle) {
  SetIntegerStyle(*this, &WatermarkModel::setTextRotationAngle, angle, kTextRotationAngleKey);
}

void WatermarkView::setTextOpacityValue(double opacity) {
  model_.setTextOpacity(opacity);
  setObjectToSelectedPreset(static_cast<float>(opacity), Key(kTextOpacityKey));
}

void WatermarkView::setTextCharSpaceValue(double value) {
  const double space = model_.SpacingType() == 2 ? -value : value;
  model_.setTextCharSpace(space);
  setObjectToSelectedPreset(static_cast<float>(space), Key(kTextCharSpaceKey));
}

void WatermarkView::setTextWatermarkXOffset(double percent) {
  QPointF offset = model_.textWatermarkOffset();
  offset.setX(BaseSide(model_.baseImageSizeForTextWatermark().width()) * percent / 100.0);
  model_.setTextWatermarkOffset(offset);
  setObjectToSelectedPreset(StringFromPoint(offset), Key(kTextWatermarkOffsetKey));
}

void WatermarkView::setTextWatermarkYOffset(double percent) {
  QPointF offset = model_.textWatermarkOffset();
  offset.setY(BaseSide(model_.baseImageSizeForTextWatermark().height()) * percent / 100.0);
  model_.setTextWatermarkOffset(offset);
  setObjectToSelectedPreset(StringFromPoint(offset), Key(kTextWatermarkOffsetKey));
}

QPointF WatermarkView::textWatermarkOffsetPercent() const {
  const QPointF offset = model_.textWatermarkOffset();
  const QSizeF base = model_.baseImageSizeForTextWatermark();
  return {offset.x() * 100.0 / BaseSide(base.width()),
          offset.y() * 100.0 / BaseSide(base.height())};
}

void WatermarkView::takeFontColorFrom(const QColor& color) {
  model_.setTextFontColor(color);
  setObjectToSelectedPreset(ArchiveColor(color), Key(kTextFontColorKey));
}

void WatermarkView::takeFontStrokeColorFrom(const QColor& color) {
  model_.setTextFontStrokeColor(color);
  setObjectToSelectedPreset(ArchiveColor(color), Key(kTextFontStrokeColorKey));
}

void WatermarkView::takeShadowColorFrom(const QColor& color) {
  model_.setTextShadowColor(color);
  setObjectToSelectedPreset(ArchiveColor(color), Key(kShadowColorKey));
}

void WatermarkView::setTextUnderlineValue(bool underline) {
  model_.setTextUnderline(underline ? 1 : 0);
  setObjectToSelectedPreset(qint64(underline ? 1 : 0), Key(kTextUnderlineKey));
}

void WatermarkView::setTextAlignmentValue(int tag) {
  const uint8_t alignment = static_cast<uint8_t>(tag & 0xff);
  model_.setTextAlignment(alignment);
  setObjectToSelectedPreset(qint64(alignment), Key(kTextAlignmentKey));
}

void WatermarkView::setTextPositionValue(int tag) {
  model_.setTextPosition(tag);
  model_.setTextWatermarkOffset(QPointF(0, 0));
  setObjectToSelectedPreset(qint64(tag), Key(kTextPositionKey));
}

int WatermarkView::setDrawingModeValue(int tag) {
  const int mode = tag >= 3 || tag < 0 ? 0 : tag;
  model_.setDrawingMode(mode);
  setObjectToSelectedPreset(qint64(mode), Key(kDrawingModeKey));
  return mode;
}

void WatermarkView::setDropShadowValue(bool on) {
  model_.setIsDropShadowApplied(on);
  setObjectToSelectedPreset(on, Key(kDropShadowKey));
}

QFont WatermarkView::GetCurrentFont() const {
  QFont font = model_.textFont();
  font.setPointSizeF(static_cast<double>(model_.textFontSize()));
  return font;
}

}  // namespace glimbrik
