#include "watermark/watermark_model.h"

#include <algorithm>

#include "platform/store/geometry_text.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_transfer.h"

namespace glimbrik {

WatermarkModel::WatermarkModel() {
  InitializeTextWatermarkOptions();
  InitializeImageWatermarkOptions();
  text_.textWatermarkOffset = QPointF(0, 0);
  image_.imageWatermarkOffset = QPointF(0, 0);
  image_.baseImageSizeForImageWatermark = QSizeF(kWatermarkBaseSide, kWatermarkBaseSide);
  text_.baseImageSizeForTextWatermark = QSizeF(0, 0);
}

void WatermarkModel::InitializeTextWatermarkOptions() {
  std::lock_guard lock(mutex_);
  const QSizeF base = text_.baseImageSizeForTextWatermark;
  text_ = TextWatermarkValues();
  text_.textStringTokens = {QStringLiteral("Glimbrik")};
  text_.textFont = QFont();
  text_.baseImageSizeForTextWatermark = base;
}

void WatermarkModel::InitializeImageWatermarkOptions() {
  std::lock_guard lock(mutex_);
  const ImageWatermarkValues fresh;
  image_.watermarkImageOpacity = fresh.watermarkImageOpacity;
  image_.watermarkImageSizePrecentage = fresh.watermarkImageSizePrecentage;
  image_.imageRotationAngle = fresh.imageRotationAngle;
  image_.imagePosition = fresh.imagePosition;
  image_.imageWatermarkOffset = fresh.imageWatermarkOffset;
}

TextWatermarkValues WatermarkModel::textValues() const {
  std::lock_guard lock(mutex_);
  return text_;
}

void WatermarkModel::setTextValues(const TextWatermarkValues& values) {
  std::lock_guard lock(mutex_);
  text_ = values;
}

std::vector<WatermarkPresetRow> WatermarkModel::waterMarkPresetArray() const {
  std::lock_guard lock(mutex_);
  return rows_;
}

void WatermarkModel::setWaterMarkPresetArray(std::vector<WatermarkPresetRow> rows) {
  std::lock_guard lock(mutex_);
  rows_ = std::move(rows);
}

QVariantMap WatermarkModel::allPresetDictionary() const {
  std::lock_guard lock(mutex_);
  return presets_;
}

void WatermarkModel::setAllPresetDictionary(QVariantMap presets) {
  std::lock_guard lock(mutex_);
  presets_ = std::move(presets);
}

int64_t WatermarkModel::presetRowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int64_t>(rows_.size());
}

std::optional<WatermarkPresetRow> WatermarkModel::presetRow(int64_t row) const {
  std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int64_t>(rows_.size())) return std::nullopt;
  return rows_[row];
}

void WatermarkModel::setPresetRowState(int64_t row, bool state) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int64_t>(rows_.size())) rows_[row].state = state;
}

void WatermarkModel::setPresetRowFrameRect(int64_t row, std::optional<QRectF> frame) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int64_t>(rows_.size())) rows_[row].frameRect = frame;
}

std::optional<QVariantMap> WatermarkModel::presetNamed(const QString& title) const {
  std::lock_guard lock(mutex_);
  const auto it = presets_.constFind(title);
  if (title.isEmpty() || it == presets_.constEnd()) return std::nullopt;
  return it->toMap();
}

void WatermarkModel::setPresetNamed(const QString& title, const QVariantMap& preset) {
  std::lock_guard lock(mutex_);
  if (!title.isEmpty()) presets_.insert(title, preset);
}

void WatermarkModel::removePresetNamed(const QString& title) {
  std::lock_guard lock(mutex_);
  presets_.remove(title);
}

bool WatermarkModel::isPresetDirty(const QString& title) const {
  std::lock_guard lock(mutex_);
  return presets_.value(title).toMap().value(QString::fromLatin1(kDirtyFlagKey)).toBool();
}

std::vector<int64_t> WatermarkModel::presetTableSelectedRows() const {
  std::lock_guard lock(mutex_);
  return tableSelectedRows_;
}

int64_t WatermarkModel::presetTableSelectedRow() const {
  std::lock_guard lock(mutex_);
  return tableSelectedRow_;
}

void WatermarkModel::setPresetTableSelection(std::vector<int64_t> rows, int64_t selectedRow) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::lock_guard lock(mutex_);
  tableSelectedRows_ = std::move(rows);
  tableSelectedRow_ = selectedRow;
}

bool WatermarkModel::setObjectToSelectedPreset(const QVariant& value, const QString& key) {
  std::lock_guard lock(mutex_);
  if (rows_.empty() || tableSelectedRows_.empty()) return false;
  for (int64_t row : tableSelectedRows_) {
    if (row < 0 || row >= static_cast<int64_t>(rows_.size())) continue;
    const auto it = presets_.find(rows_[row].title);
    if (it == presets_.end()) continue;
    QVariantMap preset = it->toMap();
    preset.insert(key, value);
    if (key == QLatin1String(kTextPositionKey)) {
      preset.insert(QString::fromLatin1(kTextWatermarkOffsetKey), StringFromPoint(QPointF(0, 0)));
    }
    preset.insert(QString::fromLatin1(kDirtyFlagKey), true);
    *it = preset;
  }
  return true;
}

ImageWatermarkValues WatermarkModel::imageValues() const {
  std::lock_guard lock(mutex_);
  return image_;
}

void WatermarkModel::setImageValues(const ImageWatermarkValues& values) {
  std::lock_guard lock(mutex_);
  image_ = values;
}

TextWatermarkRecords WatermarkModel::GetSelectedTextWatermarkOptions() const {
  std::vector<WatermarkPresetRow> rows;
  QVariantMap presets;
  {
    std::lock_guard lock(mutex_);
    rows = rows_;
    presets = presets_;
  }
  return SelectedTextWatermarkRecords(rows, presets);
}

std::optional<ImageWatermarkOptions> WatermarkModel::imageWatermarkOptions() const {
  std::lock_guard lock(mutex_);
  if (image_.image.isNull()) return std::nullopt;
  ImageWatermarkOptions o;
  o.position = image_.imagePosition;
  o.rotationAngle = image_.imageRotationAngle;
  o.offset = image_.imageWatermarkOffset;
  o.image = image_.image;
  o.opacity = image_.watermarkImageOpacity;
  o.sizeFraction = image_.watermarkImageSizePrecentage;
  o.baseImageSize = image_.baseImageSizeForImageWatermark;
  return o;
}

}  // namespace glimbrik
