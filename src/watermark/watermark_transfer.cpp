#include "watermark/watermark_transfer.h"

#include <QFile>

#include "engine/tokens/text_token_archive.h"
#include "platform/store/geometry_text.h"
#include "platform/store/keyed_archive.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

// One preset read key by key; the first key that is missing or unreadable ends it.
class PresetReader {
 public:
  explicit PresetReader(const QVariantMap& preset) : preset_(preset) {}

  bool integer(const char* key, int64_t* out) {
    const QVariant v = value(key);
    if (!ok_) return false;
    *out = v.toLongLong();
    return true;
  }
  template <typename Narrow>
  bool narrow(const char* key, Narrow* out) {
    int64_t wide = 0;
    if (!integer(key, &wide)) return false;
    *out = static_cast<Narrow>(wide);
    return true;
  }
  // Stored in single precision: read as such and widened.
  bool single(const char* key, double* out) {
    const QVariant v = value(key);
    if (!ok_) return false;
    *out = static_cast<double>(static_cast<float>(v.toDouble()));
    return true;
  }
  bool boolean(const char* key, uint8_t* out) {
    const QVariant v = value(key);
    if (!ok_) return false;
    *out = v.toBool() ? 1 : 0;
    return true;
  }
  bool tokens(const char* key, TokenArray* out) {
    return decoded(key, out, [](const QByteArray& data) { return UnarchiveTokenArray(data); });
  }
  bool font(const char* key, QFont* out) {
    return decoded(key, out, [](const QByteArray& data) { return UnarchiveFont(data); });
  }
  bool color(const char* key, QColor* out) {
    return decoded(key, out, [](const QByteArray& data) { return UnarchiveColor(data); });
  }
  bool point(const char* key, QPointF* out) {
    const QVariant v = value(key);
    if (!ok_) return false;
    *out = PointFromString(v.toString());
    return true;
  }
  bool size(const char* key, QSizeF* out) {
    const QVariant v = value(key);
    if (!ok_) return false;
    *out = SizeFromString(v.toString());
    return true;
  }

 private:
  QVariant value(const char* key) {
    if (!ok_) return QVariant();
    const auto it = preset_.constFind(Key(key));
    if (it == preset_.constEnd() || !it->isValid()) ok_ = false;
    return ok_ ? *it : QVariant();
  }
  template <typename T, typename Decode>
  bool decoded(const char* key, T* out, Decode decode) {
    const QVariant v = value(key);
    if (!ok_) return false;
    // A damaged archive is as good as none.
    auto result = decode(v.toByteArray());
    if (!result) return ok_ = false;
    *out = *result;
    return true;
  }

  const QVariantMap& preset_;
  bool ok_ = true;
};

template <typename T, typename Decode>
T DecodedOr(const QVariantMap& preset, const char* key, T fallback, Decode decode) {
  const auto it = preset.constFind(Key(key));
  if (it == preset.constEnd()) return fallback;
  auto result = decode(it->toByteArray());
  return result ? *result : fallback;
}

QVariant ValueOr(const QVariantMap& preset, const char* key, const QVariant& fallback) {
  const auto it = preset.constFind(Key(key));
  return it == preset.constEnd() || !it->isValid() ? fallback : *it;
}

}  // namespace

bool TextWatermarkRecordFromPreset(const QVariantMap& preset, TextWatermarkOptions* r) {
  PresetReader read(preset);
  if (!read.tokens(kTextStringKey, &r->tokens) || !read.font(kTextFontNameKey, &r->font) ||
      !read.integer(kTextFontSizeKey, &r->fontSize) ||
      !read.narrow(kDrawingModeKey, &r->drawingMode) ||
      !read.integer(kStrokeWidthKey, &r->strokeWidth) ||
      !read.single(kTextOpacityKey, &r->opacity) ||
      !read.single(kTextCharSpaceKey, &r->charSpace) ||
      !read.narrow(kTextUnderlineKey, &r->underline) ||
      !read.narrow(kTextAlignmentKey, &r->alignment) ||
      !read.narrow(kTextPositionKey, &r->position) ||
      !read.integer(kTextRotationAngleKey, &r->rotationAngle) ||
      !read.color(kTextFontColorKey, &r->textColor) ||
      !read.color(kTextFontStrokeColorKey, &r->strokeColor) ||
      !read.boolean(kDropShadowKey, &r->dropShadow)) {
    return false;
  }
  if (r->dropShadow) {
    if (!read.integer(kShadowBlurKey, &r->shadowBlur) ||
        !read.integer(kShadowXOffsetKey, &r->shadowXOffset) ||
        !read.integer(kShadowYOffsetKey, &r->shadowYOffset)) {
      return false;
    }
    r->shadowColor.reset();
    QColor shadow;
    if (!read.color(kShadowColorKey, &shadow)) return false;
    r->shadowColor = shadow;
  }
  return read.point(kTextWatermarkOffsetKey, &r->offset) &&
         read.size(kBaseImageSizeForTextWatermarkKey, &r->baseImageSize);
}

TextWatermarkRecords SelectedTextWatermarkRecords(const std::vector<WatermarkPresetRow>& rows,
                                                  const QVariantMap& presets) {
  TextWatermarkRecords out;
  if (rows.empty()) return out;
  std::shared_ptr<TextWatermarkOptions[]> records(new TextWatermarkOptions[rows.size()]);
  uint64_t count = 0;
  for (const WatermarkPresetRow& row : rows) {
    if (!row.state || row.title.isEmpty()) continue;
    const auto it = presets.constFind(row.title);
    if (it == presets.constEnd()) continue;
    // Each row starts from a clean slot, so nothing of an abandoned row stays behind.
    TextWatermarkOptions slot;
    if (!TextWatermarkRecordFromPreset(it->toMap(), &slot)) continue;
    records[count++] = std::move(slot);
  }
  if (count == 0) return out;
  out.records = std::move(records);
  out.count = count;
  return out;
}

TextWatermarkValues TextValuesFromPresetDictionary(const QVariantMap* preset) {
  TextWatermarkValues v;
  v.textFont = QFont();
  if (!preset) return v;
  const QVariantMap& p = *preset;
  v.textStringTokens = DecodedOr(p, kTextStringKey, v.textStringTokens,
                                 [](const QByteArray& d) { return UnarchiveTokenArray(d); });
  if (!p.contains(Key(kTextStringKey))) v.textStringTokens = {QStringLiteral("Glimbrik")};
  v.textFont = DecodedOr(p, kTextFontNameKey, v.textFont,
                         [](const QByteArray& d) { return UnarchiveFont(d); });
  v.textFontSize = ValueOr(p, kTextFontSizeKey, 30).toLongLong();
  v.drawingMode = static_cast<int32_t>(ValueOr(p, kDrawingModeKey, 0).toLongLong());
  v.strokeWidth = ValueOr(p, kStrokeWidthKey, 1).toLongLong();
  v.textOpacity =
      static_cast<double>(static_cast<float>(ValueOr(p, kTextOpacityKey, 0.9).toDouble()));
  v.textCharSpace =
      static_cast<double>(static_cast<float>(ValueOr(p, kTextCharSpaceKey, 0.0).toDouble()));
  v.textUnderline = static_cast<int32_t>(ValueOr(p, kTextUnderlineKey, 0).toLongLong());
  v.textAlignment = static_cast<uint8_t>(ValueOr(p, kTextAlignmentKey, 0).toLongLong());
  v.textPosition = static_cast<int32_t>(ValueOr(p, kTextPositionKey, 6).toLongLong());
  v.textRotationAngle = ValueOr(p, kTextRotationAngleKey, 0).toLongLong();
  const auto color = [](const QByteArray& d) { return UnarchiveColor(d); };
  v.textFontColor = DecodedOr(p, kTextFontColorKey, QColor(Qt::black), color);
  v.textFontStrokeColor = DecodedOr(p, kTextFontStrokeColorKey, QColor(Qt::white), color);
  v.isDropShadowApplied = ValueOr(p, kDropShadowKey, true).toBool();
  v.shadowBlur = ValueOr(p, kShadowBlurKey, 3).toLongLong();
  v.xOffset = ValueOr(p, kShadowXOffsetKey, 3).toLongLong();
  v.yOffset = ValueOr(p, kShadowYOffsetKey, -3).toLongLong();
  v.textShadowColor = DecodedOr(p, kShadowColorKey, QColor(Qt::black), color);
  v.textWatermarkOffset =
      PointFromString(ValueOr(p, kTextWatermarkOffsetKey, QStringLiteral("{20, 20}")).toString());
  v.baseImageSizeForTextWatermark = SizeFromString(
      ValueOr(p, kBaseImageSizeForTextWatermarkKey, QStringLiteral("{550, 550}")).toString());
  v.SpacingType = v.textCharSpace < 0 ? 2 : v.textCharSpace > 0 ? 1 : 0;
  return v;
}

void WriteTextWatermarkPreferenceValue(const TextWatermarkValues& v, QVariantMap* preset) {
  if (!preset) return;
  QVariantMap& p = *preset;
  p.insert(Key(kTextStringKey), ArchiveTokenArray(v.textStringTokens));
  p.insert(Key(kTextFontNameKey), ArchiveFont(v.textFont));
  p.insert(Key(kTextFontSizeKey), qint64(v.textFontSize));
  p.insert(Key(kDrawingModeKey), qint64(v.drawingMode));
  p.insert(Key(kTextFontStrokeColorKey), ArchiveColor(v.textFontStrokeColor));
  p.insert(Key(kStrokeWidthKey), qint64(v.strokeWidth));
  p.insert(Key(kTextOpacityKey), static_cast<float>(v.textOpacity));
  p.insert(Key(kTextCharSpaceKey), static_cast<float>(v.textCharSpace));
  p.insert(Key(kTextUnderlineKey), qint64(v.textUnderline));
  p.insert(Key(kTextAlignmentKey), qint64(v.textAlignment));
  p.insert(Key(kTextPositionKey), qint64(v.textPosition));
  p.insert(Key(kTextRotationAngleKey), qint64(v.textRotationAngle));
  p.insert(Key(kTextFontColorKey), ArchiveColor(v.textFontColor));
  p.insert(Key(kDropShadowKey), v.isDropShadowApplied);
  p.insert(Key(kShadowBlurKey), qint64(v.shadowBlur));
  p.insert(Key(kShadowXOffsetKey), qint64(v.xOffset));
  p.insert(Key(kShadowYOffsetKey), qint64(v.yOffset));
  p.insert(Key(kShadowColorKey), ArchiveColor(v.textShadowColor));
  p.insert(Key(kTextWatermarkOffsetKey), StringFromPoint(v.textWatermarkOffset));
  p.insert(Key(kBaseImageSizeForTextWatermarkKey), StringFromSize(v.baseImageSizeForTextWatermark));
}

void WriteImagePreferenceValue(const ImageWatermarkValues& v, const QString& imagePath,
                               QVariantMap* preset) {
  if (!preset) return;
  QVariantMap& p = *preset;
  if (!imagePath.isEmpty()) p.insert(Key(kImagePathKey), imagePath);
  p.insert(Key(kImageOpacityKey), v.watermarkImageOpacity);
  p.insert(Key(kImageSizeKey), v.watermarkImageSizePrecentage);
  p.insert(Key(kImageAngleKey), qint64(v.imageRotationAngle));
  p.insert(Key(kImagePositionKey), static_cast<double>(v.imagePosition));
  p.insert(Key(kImageWatermarkOffsetKey), StringFromPoint(v.imageWatermarkOffset));
  p.insert(Key(kBaseImageSizeForImageWatermarkKey),
           StringFromSize(v.baseImageSizeForImageWatermark));
}

void ApplyImagePreferenceValue(const QVariantMap& p, ImageWatermarkValues* v) {
  v->imageWatermarkOffset =
      PointFromString(ValueOr(p, kImageWatermarkOffsetKey, QStringLiteral("{20, 20}")).toString());
  v->baseImageSizeForImageWatermark = SizeFromString(
      ValueOr(p, kBaseImageSizeForImageWatermarkKey, QStringLiteral("{550, 550}")).toString());
  if (!p.contains(Key(kImagePathKey))) {
    v->image = QImage();
  } else {
    QFile file(p.value(Key(kImagePathKey)).toString());
    QImage image;
    if (file.open(QIODevice::ReadOnly) && image.loadFromData(file.readAll())) v->image = image;
  }
  v->watermarkImageOpacity = ValueOr(p, kImageOpacityKey, 0.8).toDouble();
  v->watermarkImageSizePrecentage = ValueOr(p, kImageSizeKey, 0.5).toDouble();
  v->imageRotationAngle = ValueOr(p, kImageAngleKey, 0).toLongLong();
  v->imagePosition = static_cast<int32_t>(ValueOr(p, kImagePositionKey, 6).toDouble());
}

}  // namespace glimbrik
