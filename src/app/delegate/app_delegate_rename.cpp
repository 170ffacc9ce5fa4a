#include <QSignalBlocker>

#include "app/batch/batch_capture.h"
#include "app/batch/rename_string.h"
#include "app/delegate/app_delegate.h"
#include "app/window/custom_alert.h"
#include "platform/store/localization.h"
#include "watermark/watermark_token_redraw.h"

namespace glimbrik {

void AppDelegate::SetUpTokenFields() {
  OptionPanels& p = panels();
  if (!tokens_) tokens_ = new WatermarkTextTokens(this);
  tokens_->setRenameTokenTextFieldOutlet(p.renameTokenTextFieldOutlet);
  tokens_->setTextTextFieldOutlet(p.textTextFieldOutlet);
  if (watermarkContextView) {
    // The field shows the text of the preset being edited.
    WatermarkControls& controls = watermarkContextView->controls;
    controls.assignTextValues =
        [this, previous = controls.assignTextValues](const TextWatermarkValues& values) {
          if (previous) previous(values);
          panels().textTextFieldOutlet->setTokens(values.textStringTokens);
        };
    p.textTextFieldOutlet->setTokens(watermarkContextView->model().textStringTokens());
  }
}

void AppDelegate::connectRenameControls() {
  OptionPanels& p = panels();
  connect(p.renameInsertTokenButtonOutlet, &QToolButton::clicked, this, [this] {
    tokens_->PopupTextWatermarkTokenMenu(panels().renameInsertTokenButtonOutlet,
                                         kRenameInsertButtonTag);
  });
  connect(p.renameTokenTextFieldOutlet, &TokenField::tokensEdited, this,
          [this] { ChangeRenameOptionActions(panels().renameTokenTextFieldOutlet); });
  connect(p.renamePresetPopupOutlet, &QComboBox::activated, this,
          [this] { changeRenamePresetPopupAction(panels().renamePresetPopupOutlet); });
  // Only the user's click asks; restoring the general options sets the box silently.
  connect(p.overwriteExistingCheckButton, &QCheckBox::clicked, this,
          &AppDelegate::changeOverwriteExistingFile);
  connect(p.textInsertTokenButtonOutlet, &QToolButton::clicked, this, [this] {
    tokens_->PopupTextWatermarkTokenMenu(panels().textInsertTokenButtonOutlet,
                                         kWatermarkInsertButtonTag);
  });
  connect(p.textTextFieldOutlet, &TokenField::tokensEdited, this, [this] {
    if (watermarkContextView)
      TextWatermarkTokensDidChange(*watermarkContextView, panels().textTextFieldOutlet->tokens());
  });
}

void AppDelegate::ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken() {
  if (watermarkContextView)
    glimbrik::ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken(*watermarkContextView);
}

bool AppDelegate::ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken() {
  return watermarkContextView &&
         glimbrik::ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(*watermarkContextView);
}

void AppDelegate::ResizeReachesTokens() {
  bool renamed = false;
  if (isGroupOn(kRenameGroup) && IsRenameContainsResizeTokens()) {
    updateRenameExampleString();
    renamed = true;
  }
  if (isGroupOn(kTextWatermarkGroup) && !ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken() &&
      renamed)
    ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
}

void AppDelegate::changeRenamePresetPopupAction(QObject* sender) {
  QComboBox* popup = panels().renamePresetPopupOutlet;
  const int index = popup->currentIndex();
  if (index < 2 || index == 7) return;
  if (const std::optional<TokenArray> pattern = BuiltInRenamePattern(index)) {
    renameTokenTextFieldOutlet()->setTokens(*pattern);
    updateRenameExampleString();
  } else if (index >= InfoForPresetKind(PresetKind::kRename).firstStoredItem) {
    ChangeAndSetRenamePresetOptions(popup->itemText(index));
  }
  {
    const QSignalBlocker blocker(popup);
    popup->setCurrentIndex(index);
  }
  changeGlobalPresetOption(sender);
  if (isGroupOn(kTextWatermarkGroup)) ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
}

void AppDelegate::ChangeRenameOptionActions(QObject* sender) {
  if (!sender) return;
  {
    // The pattern no longer matches a preset.
    const QSignalBlocker blocker(panels().renamePresetPopupOutlet);
    panels().renamePresetPopupOutlet->setCurrentIndex(0);
  }
  updateRenameExampleString();
  changeGlobalPresetOption(sender);
  if (isGroupOn(kTextWatermarkGroup)) ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
}

void AppDelegate::RenameGroupSwitched(bool redraw) {
  updateRenameExampleString();
  if (redraw && isGroupOn(kTextWatermarkGroup))
    ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
}

void AppDelegate::updateRenameExampleString() {
  QString example = QStringLiteral("-");
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (isGroupOn(kRenameGroup) && entity) {
    const std::optional<ImageResizeOptions> resize = GetResizingOptions();
    example = GetRenameStringForObject(EntryFromEntity(*entity), resize ? &*resize : nullptr,
                                       static_cast<uint64_t>(GetLastSelectedImageIndex()),
                                       renameTokenTextFieldOutlet()->tokens());
  }
  panels().exampleStringStaticText->setText(example);
  panels().exampleStringStaticText->setToolTip(example);
}

void AppDelegate::changeOverwriteExistingFile(bool on) {
  if (!on) return;
  const qint64 answer = ShowCustomAlert(LocalizedString("overwriteExistinFileConfirmTitle"),
                                        LocalizedString("overwriteExistinFileConfirmMsg"),
                                        LocalizedString("DiscardButtonTitle1"),
                                        LocalizedString("OkButtonString"), QString(), window_);
  if (answer == 1) panels().overwriteExistingCheckButton->setChecked(false);
}

std::optional<TokenArray> AppDelegate::GetRenameTokens() const {
  if (!isGroupOn(kRenameGroup)) return std::nullopt;
  return renameTokenTextFieldOutlet()->tokens();
}

bool AppDelegate::IsRenameContainsResizeTokens() const {
  return glimbrik::IsRenameContainsResizeTokens(renameTokenTextFieldOutlet()->tokens());
}

ImageEntityPtr AppDelegate::GetSelectedImageObject() const {
  const qint64 row = GetLastSelectedImageIndex();
  return row >= 0 ? ImageEntityForRow(row) : nullptr;
}

qint64 AppDelegate::GetLastSelectedImageIndex() const {
  return window_->imageListViewOutlet->selectedRow();
}

}  // namespace glimbrik
