#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSignalBlocker>
#include <algorithm>

#include "app/delegate/app_delegate.h"
#include "app/list/list_sorting.h"
#include "app/list/thumbnail_queue.h"
#include "app/window/desktop_open.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/localization.h"

namespace glimbrik {

ImageEntityPtr AppDelegate::ImageEntityForRow(qint64 row) const {
  return row < 0 ? nullptr : model_->entityForRow(static_cast<int>(row));
}

QList<int> AppDelegate::selectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : window_->imageListViewOutlet->selectionModel()->selectedRows()) {
    rows.append(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void AppDelegate::setImageCountMessage() {
  const int count = model_ ? model_->rowCount() : 0;
  window_->totalFileCountLabelOutlet->setText(
      LocalizedString("TotalImageString")
          .arg(count)
          .arg(count == 1 ? QString() : QStringLiteral("s")));
  changePreviewActionAfterDeleteOrAdd();
}

void AppDelegate::UpdateToolbarIcon() {
  if (model_->rowCount() > 0) SetConversionButtonEnable(true);
}

void AppDelegate::SetConversionButtonEnable(bool enable) {
  MainWindow& w = *window_;
  for (QAction* action : {w.convertAllToolbarItem, w.convertToolbarItem, w.removeToolbarItem,
                          w.removeAllToolbarItem, w.showInFolderAction, w.rotateLeftAction,
                          w.rotateRightAction, w.flipHorizontalAction, w.flipVerticalAction}) {
    action->setEnabled(enable);
  }
  w.rotateToolbarItem->setEnabled(enable);
  w.flipToolbarItem->setEnabled(enable);
  w.previewButtonOutlet->setEnabled(enable);
}

void AppDelegate::SetEnabledDisabledRemoveOrRemoveAllItems() {
  MainWindow& w = *window_;
  const bool enable = model_->rowCount() > 0 && addingRuns_ == 0;
  w.removeToolbarItem->setEnabled(enable);
  w.removeAllToolbarItem->setEnabled(enable);
  w.showInFolderAction->setEnabled(enable);
}

bool AppDelegate::isDropAllowed() const { return window_->addImageToolbarItem->isEnabled(); }

void AppDelegate::RemoveSelectedButtonAction() {
  const QList<int> rows = selectedRows();
  if (model_->rowCount() == 0 || rows.isEmpty()) return;
  if (rows.size() == model_->rowCount()) ThumbnailOperationQueue().cancelAllOperations();
  model_->removeEntryRows(std::vector<int>(rows.begin(), rows.end()));
  setImageCountMessage();
  if (model_->rowCount() == 0) {
    SetConversionButtonEnable(false);
    SetEnabledDisabledRemoveOrRemoveAllItems();
    if (watermarkContextView) watermarkContextView->hide();
    PerformAnimationFromSelectedRowToImage();  // the drop image, without the old labels
    PreviewWindowClose(this);
  } else {
    SelectRowStartingAtRow(rows.first());
  }
}

void AppDelegate::RemoveAllButtonAction() {
  ThumbnailOperationQueue().cancelAllOperations();
  SetConversionButtonEnable(false);
  if (watermarkContextView) watermarkContextView->hide();
  model_->removeAllEntries();
  PerformAnimationFromSelectedRowToImage();  // the drop image, without the old labels
  setImageCountMessage();
  SetEnabledDisabledRemoveOrRemoveAllItems();
  PreviewWindowClose(this);
}

void AppDelegate::SelectRowStartingAtRow(qint64 row) {
  const int rows = model_->rowCount();
  if (rows == 0) return;
  const int target = static_cast<int>(std::clamp<qint64>(row, 0, rows - 1));
  ImageListView* view = window_->imageListViewOutlet;
  const QModelIndex index = model_->index(target, 0);
  view->selectionModel()->select(index,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  view->scrollTo(index);
}

void AppDelegate::SelectRowStartingAtRowIfNothingSelected(qint64 row) {
  if (!window_->imageListViewOutlet->selectionModel()->hasSelection()) SelectRowStartingAtRow(row);
}

void AppDelegate::PerformAnimationFromSelectedRowToImage() {
  MainWindow& w = *window_;
  const QList<int> rows = selectedRows();
  if (rows.isEmpty()) {
    shownEntity_.reset();
    w.mainImagePreview->setPlainImage(dropImageIcon);
    w.filenameLabelOutlet->clear();
    w.fileDescriptionLabelOutlet->clear();
    updateRenameExampleString();
    // Emptying the list resets the model, which announces no selection change of its own.
    updateResizeResultString();
    updateEffectImages();
    return;
  }
  currentSelectedImageIndex = GetLastSelectedImageIndex();
  w.imageListViewOutlet->scrollTo(model_->index(static_cast<int>(currentSelectedImageIndex), 0));
  transformAndSetCurrentImage();
  updateRenameExampleString();
}

void AppDelegate::ImageListViewDoubleClick() {
  QStringList uris;
  for (int row : selectedRows()) {
    if (const ImageEntityPtr entity = model_->entityForRow(row))
      uris.append(entity->GetFileURL().toString());
  }
  if (uris.isEmpty()) return;
  // The file manager shows the files themselves when it offers the freedesktop interface.
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << uris << QString();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
  if (reply.type() != QDBusMessage::ErrorMessage) return;
  QStringList folders;
  for (int row : selectedRows()) {
    if (const ImageEntityPtr entity = model_->entityForRow(row))
      folders.append(QFileInfo(entity->filePath()).absolutePath());
  }
  folders.removeDuplicates();
  for (const QString& folder : folders) {
    if (!OpenOrSayWhy(openWithDesktop, QUrl::fromLocalFile(folder), window_)) break;
  }
}

void AppDelegate::sortEntries(int tag, bool descending) {
  std::vector<ImageEntityPtr> entries = model_->entries();
  SortEntities(entries, tag, descending);
  model_->replaceEntries(std::move(entries));
}

void AppDelegate::sortDescriptorsDidChange(int column, Qt::SortOrder order) {
  if (column != 0) return;
  sortEntries(kSortByName, order == Qt::DescendingOrder);
}

void AppDelegate::SortByButtonActionToPopupMenu() {
  updateSortingMenuItemsState();
  QPushButton* button = window_->sortButton;
  window_->sortMenu->popup(button->mapToGlobal(QPoint(10, button->height() + 5)));
}

void AppDelegate::updateSortingMenuItemsState() {
  const QList<QAction*> items = window_->sortMenu->actions();
  for (int i = 0; i < items.size(); ++i) {
    const bool on = i == lastSelectedSortIndex;
    items[i]->setChecked(on);
    items[i]->setIcon(on ? TemplateIcon(isDescendingOrder ? QStringLiteral("Descending.pdf")
                                                          : QStringLiteral("Ascending.pdf"))
                         : QIcon());
  }
}

void AppDelegate::SortingMenuAction(QAction* item) {
  const qint64 index = window_->sortMenu->actions().indexOf(item);
  if (index < 0) return;
  isDescendingOrder = index == lastSelectedSortIndex ? !isDescendingOrder : false;
  setSortButtonString(LocalizedString("Sort by %@").arg(item->text()),
                      TemplateIcon(isDescendingOrder ? QStringLiteral("Descending.pdf")
                                                     : QStringLiteral("Ascending.pdf")));
  lastSelectedSortIndex = index;
  updateSortingMenuItemsState();
  sortEntries(item->data().toInt(), isDescendingOrder);
}

void AppDelegate::setSortButtonString(const QString& title, const QIcon& image) {
  QPushButton* button = window_->sortButton;
  button->setText(title);
  button->setIcon(image);
  button->adjustSize();
  if (image.isNull()) lastSelectedSortIndex = -1;
}

}  // namespace glimbrik
