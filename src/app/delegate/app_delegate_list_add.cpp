#include <QElapsedTimer>
#include <QHeaderView>
#include <QSignalBlocker>

#include "app/delegate/app_delegate.h"
#include "app/list/list_adding.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {
// Entries reach the list in batches so that thousands of files cost the GUI thread little.
constexpr size_t kBatchSize = 64;
constexpr qint64 kBatchMilliseconds = 40;
}  // namespace

// A negative index is the end of the list as the run finds it: a run started while another
// still adds lands after that one's files, not among them.
void AppDelegate::AddUrlsIntoImageListViewAtEnd(const QStringList& paths) {
  detachAddingRun(paths, panels().mAddRecursiveCheckBoxButton->isChecked(), -1);
}

void AppDelegate::AddUrlsIntoImageListViewAtEndWithRecusrsion(const QStringList& paths) {
  detachAddingRun(paths, true, -1);
}

void AppDelegate::AddUrlsIntoListViewFromDragAndDrop(const QStringList& paths, qint64 index) {
  detachAddingRun(paths, true, index);
}

void AppDelegate::detachAddingRun(const QStringList& paths, bool recursive, qint64 index) {
  if (paths.isEmpty()) return;
  ++addingRuns_;
  SetEnabledDisabledRemoveOrRemoveAllItems();
  addingPool_.start(
      [this, paths, recursive, index] { AddUrlsIntoImageListView(paths, recursive, index); });
}

void AppDelegate::AddUrlsIntoImageListView(const QStringList& paths, bool recursive, qint64 index) {
  std::lock_guard lock(addSyncronizeObject);
  const auto post = [this](auto function) {
    QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
  };
  post([this, index] { StartAddSpinning(index); });

  bool anyAdded = false;
  std::vector<ImageEntityPtr> batch;
  QElapsedTimer sinceFlush;
  sinceFlush.start();
  const auto flush = [&] {
    if (batch.empty()) return;
    post([this, entries = std::move(batch)] { InsertEntriesFromAddingRun(entries); });
    batch.clear();
    sinceFlush.restart();
  };
  const auto shouldStop = [this] { return stopAdding_.load() || isConversionCancelled.load(); };
  WalkFilesToAdd(paths, recursive, shouldStop, [&](const FileToAdd& file) {
    ImageEntityPtr entity =
        ListViewBaseCellImageEntity::entityForURL(file.path, file.kind, file.parentFolder);
    if (!anyAdded) {
      // The first image is shown at once, so its facts are read here.
      entity->loadImageDirectly();
    } else {
      entity->loadImage();
    }
    batch.push_back(std::move(entity));
    if (!anyAdded || batch.size() >= kBatchSize || sinceFlush.elapsed() >= kBatchMilliseconds)
      flush();
    anyAdded = true;
  });
  flush();
  post([this] { StopAddSpinning(); });
}

void AppDelegate::StartAddSpinning(qint64 index) {
  MainWindow& w = *window_;
  addRun_ = AddingRunState{index < 0 ? model_->rowCount() : index, model_->rowCount(), 0, false};
  w.addingFilesLabel->setText(LocalizedString("addingFiles").arg(0));
  w.addSpinWindow->open();
  const QSignalBlocker blocker(w.imageListViewOutlet->horizontalHeader());
  w.imageListViewOutlet->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

void AppDelegate::InsertEntriesFromAddingRun(const std::vector<ImageEntityPtr>& entries) {
  // The list may have changed since the run started: the row is clamped to it.
  const int at = model_->insertEntries(static_cast<int>(addRun_.nextIndex), entries);
  addRun_.nextIndex = at + static_cast<qint64>(entries.size());
  addRun_.added += static_cast<qint64>(entries.size());
  window_->addingFilesLabel->setText(
      LocalizedString(addRun_.added == 1 ? "addingFile" : "addingFiles").arg(addRun_.added));
  setImageCountMessage();
  if (!addRun_.selectedFirst) {
    addRun_.selectedFirst = true;
    SelectRowStartingAtRow(at);
    if (model_->rowCount() == 1 && watermarkContextView) {
      watermarkContextView->setVisible(isGroupOn(kTextWatermarkGroup) ||
                                       isGroupOn(kImageWatermarkGroup));
    }
  }
}

void AppDelegate::StopAddSpinning() {
  window_->addSpinWindow->hide();
  setImageCountMessage();
  if (addRun_.countAtStart == 0 && model_->rowCount() > 0) {
    UpdateToolbarIcon();
    setSortButtonString(LocalizedString("Sort by"), QIcon());
  }
  --addingRuns_;
  SetEnabledDisabledRemoveOrRemoveAllItems();
  emit addingRunFinished();
}

}  // namespace glimbrik
