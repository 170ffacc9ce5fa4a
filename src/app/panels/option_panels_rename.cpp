#include <QGridLayout>
#include <QHBoxLayout>

#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"

namespace glimbrik {

namespace {
// The rename-preset pop-up's built-in items; "-" items carry no pattern.
const char* const kRenameTitles[8] = {
    "Custom",         "-",           "IMG_#",          "IMG_yyyy_MM_dd",
    "yyyy MMM IMG_#", "IMG [WxH] #", "Camera Maker_#", "-"};
}  // namespace

void BuildRenamePanels(OptionPanels& p, QWidget* holder) {
  p.RenameView0 = NewPanelView("RenameView0", holder);
  auto* presets = new QHBoxLayout(p.RenameView0);
  p.renamePresetLabel = NewLabel("renamePresetLabel", QStringLiteral("Preset:"));
  p.renamePresetPopupOutlet = Named(new QComboBox, "renamePresetPopupOutlet");
  // Items without a pattern are separators, so that the items keep their indexes.
  for (const char* title : kRenameTitles) {
    QComboBox* popup = p.renamePresetPopupOutlet;
    if (title[0] == '-') {
      popup->insertSeparator(popup->count());
    } else {
      popup->addItem(QString::fromLatin1(title));
    }
  }
  p.saveRenamePresetButton =
      Named(new QPushButton(QStringLiteral("Save")), "saveRenamePresetButton");
  presets->addWidget(p.renamePresetLabel);
  presets->addWidget(p.renamePresetPopupOutlet, 1);
  presets->addWidget(p.saveRenamePresetButton);

  p.RenameView1 = NewPanelView("RenameView1", holder);
  auto* tokens = new QGridLayout(p.RenameView1);
  p.renameOptionNameLabelOutlet = NewLabel("renameOptionNameLabelOutlet", QStringLiteral("Name:"));
  p.renameTokenFieldFrame = Named(new QWidget, "renameTokenFieldFrame");
  new QHBoxLayout(p.renameTokenFieldFrame);
  p.renameTokenFieldFrame->layout()->setContentsMargins(0, 0, 0, 0);
  p.renameTokenTextFieldOutlet = Named(new TokenField, "renameTokenTextFieldOutlet");
  p.renameTokenFieldFrame->layout()->addWidget(p.renameTokenTextFieldOutlet);
  p.renameInsertTokenButtonOutlet = Named(new QToolButton, "renameInsertTokenButtonOutlet");
  // A click on the button leaves the field's caret where it is.
  p.renameInsertTokenButtonOutlet->setFocusPolicy(Qt::NoFocus);
  tokens->addWidget(p.renameOptionNameLabelOutlet, 0, 0);
  tokens->addWidget(p.renameTokenFieldFrame, 0, 1);
  tokens->addWidget(p.renameInsertTokenButtonOutlet, 0, 2);

  p.RenameView3 = NewPanelView("RenameView3", holder);
  auto* example = new QHBoxLayout(p.RenameView3);
  p.exampleStaticText = NewLabel("exampleStaticText", QStringLiteral("Example:"));
  // A long file name must not widen the sidebar: it ends in an ellipsis (whole in the tool tip).
  p.exampleStringStaticText = NewElidingLabel("exampleStringStaticText");
  p.exampleStringStaticText->setText(QStringLiteral("-"));
  example->addWidget(p.exampleStaticText);
  example->addWidget(p.exampleStringStaticText, 1);
}

}  // namespace glimbrik
