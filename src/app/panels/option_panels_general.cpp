#include <QDialogButtonBox>
#include <QGridLayout>
#include <QVBoxLayout>

#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "app/window/drop_targets.h"

namespace glimbrik {

namespace {
QCheckBox* Box(const char* name, const char* title) {
  return Named(new QCheckBox(QString::fromLatin1(title)), name);
}
}  // namespace

void BuildGeneralControls(OptionPanels& p, QWidget* holder) {
  p.destinationOptionAccessaryView = NewPanelView("destinationOptionAccessaryView", holder);
  auto* grid = new QGridLayout(p.destinationOptionAccessaryView);
  // A folder dropped on the path is taken as the destination.
  p.destinationPathViewCntr =
      Named(new DragAndDropCommonFolderController, "destinationPathViewCntr");
  auto* dropLayout = new QVBoxLayout(p.destinationPathViewCntr);
  dropLayout->setContentsMargins(0, 0, 0, 0);
  p.destinationPathTextField = Named(new QLineEdit, "destinationPathTextField");
  p.destinationPathTextField->setReadOnly(true);
  p.destinationPathTextField->setAcceptDrops(false);
  dropLayout->addWidget(p.destinationPathTextField);
  p.selectDestinationButton =
      Named(new QPushButton(QStringLiteral("Choose...")), "selectDestinationButton");
  p.openDestinationButton = Named(new QPushButton(QStringLiteral("Open")), "openDestinationButton");
  p.useAsDestinationFolderCheckBox =
      Box("useAsDestinationFolderCheckBox", "Always save into this folder");
  p.maintainDirectoryCheckButton = Box("maintainDirectoryCheckButton", "Keep folder structure");
  p.overwriteExistingCheckButton = Box("overwriteExistingCheckButton", "Overwrite existing files");
  p.preserveCreatedDateCheckButton = Box("preserveCreatedDateCheckButton", "Keep creation date");
  p.preserveModifiedDateCheckButton =
      Box("preserveModifiedDateCheckButton", "Keep modification date");
  grid->addWidget(p.destinationPathViewCntr, 0, 0);
  grid->addWidget(p.selectDestinationButton, 0, 1);
  grid->addWidget(p.openDestinationButton, 0, 2);
  grid->addWidget(p.useAsDestinationFolderCheckBox, 1, 0, 1, 3);
  grid->addWidget(p.maintainDirectoryCheckButton, 2, 0, 1, 3);
  grid->addWidget(p.overwriteExistingCheckButton, 3, 0, 1, 3);
  grid->addWidget(p.preserveCreatedDateCheckButton, 4, 0, 1, 3);
  grid->addWidget(p.preserveModifiedDateCheckButton, 5, 0, 1, 3);

  // Shared with the alerts, which borrow them as accessory views.
  p.doNotShowAlertCheckBox = Box("doNotShowAlertCheckBox", "Do not show this message again");
  p.doNotShowPNGOptimizationAlertCheckBox =
      Box("doNotShowPNGOptimizationAlertCheckBox", "Do not show this message again");
  p.doNotShowAlertCheckBox->setParent(holder);
  p.doNotShowPNGOptimizationAlertCheckBox->setParent(holder);
  p.doNotShowAlertCheckBox->hide();
  p.doNotShowPNGOptimizationAlertCheckBox->hide();

  p.mRecusrsiveAddAccessoryView = NewPanelView("mRecusrsiveAddAccessoryView", holder);
  auto* add = new QVBoxLayout(p.mRecusrsiveAddAccessoryView);
  p.mAddRecursiveCheckBoxButton = Box("mAddRecursiveCheckBoxButton", "Add folders recursively");
  add->addWidget(p.mAddRecursiveCheckBoxButton);

  p.conversionProgressSheet = Named(new QDialog(holder->window()), "conversionProgressSheet");
  // Not modal: while a run goes on the window's content is locked instead (BatchController), so
  // that the menus, Quit and the window's close button still answer.
  p.conversionProgressSheet->setWindowModality(Qt::NonModal);
  auto* sheet = new QVBoxLayout(p.conversionProgressSheet);
  p.conversionProgressStaticText = NewLabel("conversionProgressStaticText", QString());
  p.conversionProgressIndicator = Named(new QProgressBar, "conversionProgressIndicator");
  p.cancelButton = Named(new QPushButton(QStringLiteral("Cancel")), "cancelButton");
  sheet->addWidget(p.conversionProgressStaticText);
  sheet->addWidget(p.conversionProgressIndicator);
  sheet->addWidget(p.cancelButton, 0, Qt::AlignRight);
}

}  // namespace glimbrik
