#include <QFileInfo>

#include "app/app_delegate.h"
#include "engine/resize_math.h"
#include "engine/token_string.h"
#include "watermark/watermark_presets.h"

namespace glimbrik {

namespace {

bool HasNewFileNameToken(const TokenArray& tokens) {
  for (const TokenElement& element : tokens) {
    if (const auto* token = std::get_if<QVXWatermarkTextToken>(&element);
        token && token->tokenTag() == 8) {
      return true;
    }
  }
  return false;
}

}  // namespace

void AppDelegate::SetUpWatermarkView() {
  WatermarkView* view = watermarkContextView;
  if (!view) return;
  view->host.updateFileDescription = [this] { updateFileDescription(); };
  view->host.changeGlobalPresetOption = [this](QObject* sender) {
    changeGlobalPresetOption(sender);
  };
  view->host.selectedPhotoPresetTitle = [this] {
    QComboBox* popup = window_->PhotoPresetPopupButton;
    return popup->currentIndex() <= 0 ? QString() : popup->currentText();
  };
  view->host.textWatermarkFullString = [this](const TokenArray& tokens) {
    return GetTextWatermarkFullString(tokens);
  };
  ResetTextWatermarkPresetsFromDatabase(view->model());
}

QString AppDelegate::GetTextWatermarkFullString(const TokenArray& tokens) const {
  const QList<int> rows = selectedRows();
  const ImageEntityPtr entity = rows.isEmpty() ? nullptr : ImageEntityForRow(rows.first());
  if (!entity) return QString();
  const ImageEntityFacts facts = entity->facts();
  double width = facts.imageWidth;
  double height = facts.imageHeight;
  double dpi = facts.imageResolution > 0 ? facts.imageResolution : 72.0;
  if (isGroupOn(kResizeGroup)) {
    if (const std::optional<ImageResizeOptions> resize = GetResizingOptions())
      ComputeResizedSize(*resize, &width, &height, &dpi);
  }
  if ((static_cast<qint64>(entity->GetAngle()) / 90) % 2 != 0) std::swap(width, height);
  // The rename pattern's name comes with the rename tokens; until then, the file's own name.
  const QString name =
      HasNewFileNameToken(tokens) ? QFileInfo(entity->filePath()).completeBaseName() : QString();
  return BuildTokenString(entity->filePath(), tokens, name, kNoTokenIndex, width, height, dpi);
}

}  // namespace glimbrik
