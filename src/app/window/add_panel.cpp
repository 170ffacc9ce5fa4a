#include "app/window/add_panel.h"

#include <QGridLayout>
#include <QListView>
#include <QTreeView>

#include "app/window/dialog_folders.h"
#include "platform/store/localization.h"

namespace glimbrik {

AddPanel::AddPanel(QWidget* parent, QWidget* accessory)
    : QFileDialog(parent),
      accessory_(accessory),
      accessoryParent_(accessory ? accessory->parentWidget() : nullptr) {
  setObjectName(QStringLiteral("AddPanel"));
  setOption(QFileDialog::DontUseNativeDialog, true);
  setWindowTitle(LocalizedString("OpenDialogTitle"));
  setLabelText(QFileDialog::Accept, LocalizedString("AddDialogButton"));
  setFileMode(QFileDialog::ExistingFiles);
  setDirectory(DialogStartFolder(DialogFolder::Add));
  // Several files and folders at once.
  for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
    if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view)) {
      view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
  }
  if (auto* grid = qobject_cast<QGridLayout*>(layout()); grid && accessory_) {
    grid->addWidget(accessory_, grid->rowCount(), 0, 1, grid->columnCount());
    accessory_->show();
  }
}

AddPanel::~AddPanel() {
  if (accessory_ && accessoryParent_) {
    accessory_->hide();
    accessory_->setParent(accessoryParent_);
  }
}

void AddPanel::accept() {
  chosen_ = selectedFiles();
  if (chosen_.isEmpty()) return;
  RememberDialogFolder(DialogFolder::Add, directory().absolutePath());
  QDialog::accept();
}

}  // namespace glimbrik
