#include <QSignalBlocker>

#include "app/app_delegate.h"
#include "app/batch_capture.h"
#include "app/custom_alert.h"
#include "app/rename_string.h"
#include "platform/localization.h"

namespace glimbrik {

void AppDelegate::connectRenameControls() {
  OptionPanels& p = panels();
  if (!tokens_) tokens_ = new WatermarkTextTokens(this);
  tokens_->setRenameTokenTextFieldOutlet(p.renameTokenTextFieldOutlet);
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
  if (isGroupOn(kTextWatermarkGroup) && ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken)
    ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
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
  if (isGroupOn(kTextWatermarkGroup) && ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken)
    ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken();
}

void AppDelegate::RenameGroupSwitched(bool redraw) {
  updateRenameExampleString();
  if (redraw && isGroupOn(kTextWatermarkGroup) &&
      ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken)
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
  const QList<int> rows = selectedRows();
  return rows.isEmpty() ? -1 : rows.first();
}

}  // namespace glimbrik
