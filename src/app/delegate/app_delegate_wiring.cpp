#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QItemSelectionModel>

#include "app/batch/raw_file_names.h"
#include "app/delegate/app_delegate.h"
#include "app/window/add_panel.h"

namespace glimbrik {

namespace {
QStringList LocalPaths(const QList<QUrl>& urls) {
  QStringList paths;
  for (const QUrl& url : urls) {
    if (url.isLocalFile()) paths.append(LocalPathOfUrl(url));
  }
  return paths;
}
}  // namespace

void AppDelegate::AddImageOrFolderButtonAction() {
  auto* panel = new AddPanel(window_, panels().mRecusrsiveAddAccessoryView);
  panel->setAttribute(Qt::WA_DeleteOnClose);
  panel->setWindowModality(Qt::WindowModal);
  connect(panel, &QDialog::finished, this, [this, panel](int result) {
    if (result == QDialog::Accepted) AddUrlsIntoImageListViewAtEnd(panel->chosenPaths());
  });
  panel->open();
}

void AppDelegate::connectControls() {
  MainWindow& w = *window_;
  w.shouldClose = [this] { return windowShouldClose(); };
  connect(w.quitAction, &QAction::triggered, this, [this] {
    if (applicationShouldTerminate()) QApplication::closeAllWindows();
  });
  connect(w.addImageToolbarItem, &QAction::triggered, this,
          &AppDelegate::AddImageOrFolderButtonAction);
  connect(w.removeToolbarItem, &QAction::triggered, this, &AppDelegate::RemoveSelectedButtonAction);
  connect(w.removeAllToolbarItem, &QAction::triggered, this, &AppDelegate::RemoveAllButtonAction);
  connect(w.showInFolderAction, &QAction::triggered, this, &AppDelegate::ImageListViewDoubleClick);
  connect(w.sortButton, &QPushButton::clicked, this, &AppDelegate::SortByButtonActionToPopupMenu);
  connect(w.sortMenu, &QMenu::triggered, this, &AppDelegate::SortingMenuAction);
  connect(&w, &MainWindow::filesDroppedOnWindow, this, [this](const QList<QUrl>& urls) {
    AddUrlsIntoImageListViewAtEndWithRecusrsion(LocalPaths(urls));
  });

  ImageListView* list = w.imageListViewOutlet;
  connect(list, &ImageListView::filesDropped, this, [this](const QList<QUrl>& urls, int row) {
    AddUrlsIntoListViewFromDragAndDrop(LocalPaths(urls), row);
  });
  connect(list, &QAbstractItemView::doubleClicked, this, &AppDelegate::ImageListViewDoubleClick);
  connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &AppDelegate::PerformAnimationFromSelectedRowToImage);
  connect(list->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
          &AppDelegate::sortDescriptorsDidChange);
  connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
    // A click on a row outside the selection makes that row the selection.
    const QModelIndex index = list->indexAt(pos);
    if (index.isValid() && !list->selectionModel()->isRowSelected(index.row(), QModelIndex())) {
      SelectRowStartingAtRow(index.row());
    }
    window_->listContextMenu->popup(list->viewport()->mapToGlobal(pos));
  });
  connect(w.addImageToolbarItem, &QAction::changed, this,
          [this] { window_->imageListViewOutlet->setDropAllowed(isDropAllowed()); });

  connect(w.configurationCollection, &QVXOutlineView::switchClicked, this, [this](int group, bool) {
    if (QVXConfigurationHeaderView* header = window_->configurationCollection->headerView(group)) {
      SwitchAction(header->onOffSwitchButtonOutlet);
    }
  });

  connectPanelControls();
  connectRenameControls();
  connectPresetControls();
  connectPeripheryControls();
}

}  // namespace glimbrik
