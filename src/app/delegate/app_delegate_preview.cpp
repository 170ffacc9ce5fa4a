#include "app/delegate/app_delegate.h"
#include "app/preview/preview_controller.h"

namespace glimbrik {

PreviewController* AppDelegate::previewController() const { return previewController_; }

void AppDelegate::setPreviewController(PreviewController* controller) {
  hooks.PreviewAction = [this](QObject* sender) {
    if (isPreviewVisible()) PreviewAction(sender);
  };
  previewController_ = controller;
}

void AppDelegate::PreviewAction(QObject* sender) {
  if (previewController_) previewController_->PreviewAction(sender);
}

void AppDelegate::PreviewWindowClose(QObject* sender) {
  if (previewController_) previewController_->PreviewWindowClose(sender);
}

void AppDelegate::changePreviewActionAfterDeleteOrAdd() {
  if (previewController_) previewController_->changePreviewActionAfterDeleteOrAdd();
}

bool AppDelegate::isPreviewVisible() const {
  return previewController_ && previewController_->isVisible();
}

}  // namespace glimbrik
