#include "app/batch/batch_capture.h"
#include "app/batch/rename_string.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/image_watermark_panel.h"
#include "app/panels/text_watermark_panel.h"
#include "app/window/custom_alert.h"
#include "watermark/watermark_presets.h"

namespace glimbrik {

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
  view->host.showCustomAlert = [this](const QString& title, const QString& message,
                                      const QString& defaultButton, const QString& alterButton,
                                      const QString& otherButton) {
    return ShowCustomAlert(title, message, defaultButton, alterButton, otherButton, window_);
  };
  textWatermarkPanel_ = new TextWatermarkPanel(*this, *view, panels());
  view->ResetTextWatermarkPresetsFromDatabase();
  imageWatermarkPanel_ = new ImageWatermarkPanel(*this, *view, panels());
}

QString AppDelegate::GetTextWatermarkFullString(const TokenArray& tokens) const {
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (!entity) return QString();
  const std::optional<ImageResizeOptions> resize = GetResizingOptions();
  return TextWatermarkFullString(EntryFromEntity(*entity), resize ? &*resize : nullptr,
                                 GetRenameTokens(),
                                 static_cast<uint64_t>(GetLastSelectedImageIndex()), tokens);
}

}  // namespace glimbrik
