#include "app/delegate/app_delegate.h"

#include <QHeaderView>

#include "app/list/thumbnail_queue.h"
#include "app/preview/preview_controller.h"
#include "app/settings/app_store_rating.h"
#include "app/settings/preferences_sheet.h"

namespace glimbrik {

AppDelegate::AppDelegate(QObject* parent) : QObject(parent) {
  // Made here so that the queue's announcements are owned by the GUI thread.
  ThumbnailOperationQueue();
  // One adding run at a time, taken in the order they were asked for: files opened one after
  // another land in that order (a lock alone lets a later run go first).
  addingPool_.setMaxThreadCount(1);
}

AppDelegate::~AppDelegate() {
  stopAdding_ = true;
  addingPool_.waitForDone();
  if (previewController_) previewController_->StopPreview();
  delete window_;
}

void AppDelegate::awakeFromNib() {
  if (window_) return;
  window_ = new MainWindow;
  rateApplicationObject_ = std::make_unique<MacAppStoreRating>();
  model_ = new ImageListModel(this);
  window_->imageListViewOutlet->setModel(model_);
  watermarkContextView = new WatermarkView(window_->mainImagePreview);
  // The column's sort key: titles in ascending order until the user clicks the header.
  window_->imageListViewOutlet->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
}

}  // namespace glimbrik
