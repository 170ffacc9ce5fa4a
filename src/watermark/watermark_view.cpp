#include "watermark/watermark_view.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "engine/tokens/text_token_archive.h"
#include "engine/watermark/watermark_render.h"
#include "platform/codecs/image_destination.h"
#include "platform/store/folders.h"
#include "platform/store/keyed_archive.h"
#include "platform/store/preferences.h"
#include "platform/system/font_members.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_transfer.h"

namespace glimbrik {

WatermarkView::WatermarkView(QWidget* mainImagePreview) : QWidget(mainImagePreview) {
  setObjectName(QStringLiteral("watermarkContextView"));
  // The image shows through; the pointer is the editor's (dragging comes with its interaction).
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  if (mainImagePreview) mainImagePreview->installEventFilter(this);
  fontFamilyArray = InstalledFontFamilies();
  updateFrameRect();
}

bool WatermarkView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == parentWidget() && event->type() == QEvent::Resize) updateFrameRect();
  return QWidget::eventFilter(watched, event);
}

void WatermarkView::updateFrameRect() {
  const QWidget* preview = parentWidget();
  const double W = preview ? preview->width() : 0.0;
  const double H = preview ? preview->height() : 0.0;
  const double r = model_.imageAspectRatio();
  QSizeF size;
  if (H > 0 && r > W / H) {
    size = QSizeF(W, r > 0 ? W / r : 0.0);
  } else {
    size = QSizeF(H * r, H);
  }
  const QPointF origin((W - size.width()) / 2.0, (H - size.height()) / 2.0);
  const QRect frame = QRectF(origin, size).toRect();
  if (geometry() != frame) setGeometry(frame);
  if (host.updateFileDescription) host.updateFileDescription();
}

void WatermarkView::setImageAspectRatio(double ratio) {
  model_.setImageAspectRatio(ratio);
  updateFrameRect();
  update();
}

QPointF WatermarkView::ViewPointFromWidget(QPointF widgetPoint) const {
  return {widgetPoint.x(), height() - widgetPoint.y()};
}

// --- Fonts.

void WatermarkView::ChangeSelectedFont(const QString& family) {
  const std::vector<FontFamilyMember> members = AvailableMembersOfFontFamily(family);
  if (members.empty()) return;
  if (const std::optional<QFont> font = FontWithPostScriptName(members.front().postScriptName))
    setFontName(*font);
}

void WatermarkView::ChangeSelectedFontStyle(const QString& family, const QString& face) {
  for (const FontFamilyMember& member : AvailableMembersOfFontFamily(family)) {
    if (member.faceName != face) continue;
    if (member.postScriptName.isEmpty()) return;
    if (const std::optional<QFont> font = FontWithPostScriptName(member.postScriptName))
      setFontName(*font);
    return;
  }
}

void WatermarkView::setFontName(const QFont& font) {
  model_.setTextFont(font);
  setObjectToSelectedPreset(ArchiveFont(font), QString::fromLatin1(kTextFontNameKey));
}

// --- Transfers.

TextWatermarkRecords WatermarkView::GetSelectedTextWatermarkOptions() const {
  return model_.GetSelectedTextWatermarkOptions();
}

void WatermarkView::ChangeAndSetTextWaterMarkPrefOptions(int64_t row) {
  if (model_.presetRowCount() == 0) {
    model_.InitializeTextWatermarkOptions();
    return;
  }
  const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
  const std::optional<QVariantMap> preset = entry ? model_.presetNamed(entry->title) : std::nullopt;
  ChangeAndSetTextWaterMarkPrefOptionsFromDict(preset ? &*preset : nullptr);
}

void WatermarkView::ChangeAndSetTextWaterMarkPrefOptionsFromDict(const QVariantMap* preset) {
  if (!preset) {
    model_.InitializeTextWatermarkOptions();
    return;
  }
  model_.setTextValues(TextValuesFromPresetDictionary(preset));
}

void WatermarkView::ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(
    int64_t row) {
  ChangeAndSetTextWaterMarkPrefOptions(row);
  AssignTextWaterMarkValuesToControl();
  EnableDisablePresetButtons(true);
  if (controls.enableDisablePresetButtons) controls.enableDisablePresetButtons(true);
}

void WatermarkView::AssignTextWaterMarkValuesToControl() {
  if (controls.assignTextValues) controls.assignTextValues(model_.textValues());
}

void WatermarkView::GetTextWatermarkPreferenceValue(QVariantMap* preset) {
  if (!preset) return;
  // A hidden view (no image) has no canvas to measure: the stored geometry stays as it is.
  const double w = width();
  const double h = height();
  const double m = std::max(w, h);
  if (!isHidden() && m > 0) {
    const double s = m / kWatermarkBaseSide;
    const QSizeF newBase(w / s, h / s);
    // The offset moves with its base, so the watermark keeps its place on the canvas.
    model_.setTextWatermarkOffset(RescaleWatermarkOffset(model_.textWatermarkOffset(),
                                                         model_.baseImageSizeForTextWatermark(),
                                                         newBase.width(), newBase.height()));
    model_.setBaseImageSizeForTextWatermark(newBase);
  }
  WriteTextWatermarkPreferenceValue(model_.textValues(), preset);
}

void WatermarkView::ChangeAndSetImageWaterMarkPrefOptionsFromDict(const QVariantMap* preset) {
  if (!preset) {
    model_.InitializeImageWatermarkOptions();
    return;
  }
  ImageWatermarkValues values = model_.imageValues();
  ApplyImagePreferenceValue(*preset, &values);
  model_.setImageValues(values);
}

void WatermarkView::AssignImageWaterMarkValuesToControl() {
  if (controls.assignImageValues) controls.assignImageValues(model_.imageValues());
}

void WatermarkView::GetImagePreferenceValue(QVariantMap* preset) {
  if (!preset) return;
  const ImageWatermarkValues values = model_.imageValues();
  const QString path = values.image.isNull() ? QString() : SaveWatermarkImageCopy(values.image);
  WriteImagePreferenceValue(values, path, preset);
}

void WatermarkView::ChangeAndSetImageWaterMarkPrefOptions(const QString& presetName) {
  QVariantMap file;
  if (!ReadPreferenceDictionary(&file, QString::fromLatin1(kTextWatermarkPresetsFile))) {
    model_.InitializeImageWatermarkOptions();
    return;
  }
  const auto it = file.constFind(presetName);
  if (it == file.constEnd()) {
    ChangeAndSetImageWaterMarkPrefOptionsFromDict(nullptr);
    return;
  }
  const QVariantMap preset = it->toMap();
  ChangeAndSetImageWaterMarkPrefOptionsFromDict(&preset);
}

QString WatermarkView::CreateWatermarkImageFile() {
  return CreateWatermarkImageFileIn(SupportFolderPath());
}

QString WatermarkView::CreateWatermarkImageFileIn(const QString& folder) {
  if (folder.isEmpty() || !QDir().mkpath(folder)) return QString();
  for (long n = 1; n > 0; ++n) {
    const QString candidate = folder + QStringLiteral("/watermark_image%1").arg(n);
    // A dangling link takes its number too.
    const auto taken = [&] {
      const QFileInfo info(candidate);
      return info.exists() || info.isSymLink();
    };
    if (taken()) continue;
    // Created exclusively: a number taken by someone else since the check is passed over.
    QFile file(candidate);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return candidate;
    if (!taken()) return QString();
  }
  return QString();
}

QString WatermarkView::SaveWatermarkImageCopy(const QImage& image) {
  const QString path = CreateWatermarkImageFile();
  if (path.isEmpty()) return QString();
  DestinationProperties properties;
  properties.hasAlpha = image.hasAlphaChannel();
  const ImageResult<QByteArray> tiff =
      EncodeImage(image, QStringLiteral("public.tiff"), properties);
  QFile file(path);
  if (!tiff.ok() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
      file.write(tiff.value) != tiff.value.size()) {
    file.remove();
    return QString();
  }
  return path;
}

}  // namespace glimbrik
