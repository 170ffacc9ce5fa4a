// The selected image view: turning and mirroring the selected rows, showing the current row's
// image under the watermark overlay, and the zoom, turn and mirror description.
#include <QItemSelectionModel>

#include "app/delegate/app_delegate.h"
#include "app/list/thumbnail_queue.h"

namespace glimbrik {

namespace {

bool OddQuarterTurn(qint64 angle) { return (angle / 90) % 2 != 0; }

}  // namespace

void AppDelegate::SetUpImageView() {
  MainWindow& w = *window_;
  connect(w.rotateLeftAction, &QAction::triggered, this, &AppDelegate::rotateLeft);
  connect(w.rotateRightAction, &QAction::triggered, this, &AppDelegate::rotateRight);
  connect(w.flipHorizontalAction, &QAction::triggered, this, &AppDelegate::flipHorizontal);
  connect(w.flipVerticalAction, &QAction::triggered, this, &AppDelegate::flipVertical);
  // The selected entry's facts may arrive after it was selected.
  connect(&ThumbnailOperationQueue(), &ThumbnailQueue::thumbnailImageChanged, this,
          [this](quintptr entity) {
            if (shownEntity_ && reinterpret_cast<quintptr>(shownEntity_.get()) == entity)
              transformAndSetCurrentImage();
          });
}

void AppDelegate::rotate(int segment) {
  if (segment == 0) rotateLeft();
  if (segment == 1) rotateRight();
}

void AppDelegate::rotateLeft() {
  rotateImage(90);
  transformAndSetCurrentImage();
}

void AppDelegate::rotateRight() {
  rotateImage(-90);
  transformAndSetCurrentImage();
}

void AppDelegate::flip(int segment) {
  if (segment == 0) flipHorizontal();
  if (segment == 1) flipVertical();
}

void AppDelegate::flipHorizontal() {
  flipImage(1);
  transformAndSetCurrentImage();
}

void AppDelegate::flipVertical() {
  flipImage(2);
  transformAndSetCurrentImage();
}

void AppDelegate::rotateImage(qint64 degrees) {
  for (int row : selectedRows()) {
    const ImageEntityPtr entity = ImageEntityForRow(row);
    if (!entity) continue;
    qint64 n = static_cast<qint64>(entity->GetAngle()) + degrees;
    // Turning past a whole turn comes back to 0: -359 ... 270 are the angles kept.
    if (static_cast<quint64>(n + 359) > 629) n = 0;
    entity->SetAngle(n);
  }
}

void AppDelegate::flipImage(qint32 mask) {
  for (int row : selectedRows()) {
    if (const ImageEntityPtr entity = ImageEntityForRow(row))
      entity->SetFlip(entity->GetFlip() ^ mask);
  }
}

void AppDelegate::transformAndSetCurrentImage() {
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (!entity) return;
  shownEntity_ = entity;
  MainWindow& w = *window_;
  const ImageEntityFacts facts = entity->facts();
  if (!entity->isLoaded()) entity->loadImage();
  const qint64 angle = static_cast<qint64>(entity->GetAngle());
  const QSize pixels(static_cast<int>(facts.imageWidth), static_cast<int>(facts.imageHeight));
  double zoom = 1.0;
  double aspect = 1.0;
  if (pixels.width() > 0 && pixels.height() > 0 && !facts.thumbnailIsTemplate) {
    w.mainImagePreview->setEntryImage(entity->filePath(), facts.thumbnailImage, pixels,
                                      entity->GetFlip(), angle);
    const QSize shown = OddQuarterTurn(angle) ? pixels.transposed() : pixels;
    aspect = double(shown.width()) / shown.height();
    zoom = ZoomForDisplayedSize(shown, aspect);
  } else if (entity->isLoaded()) {
    w.mainImagePreview->setPlainImage(emtyImageIcon);
  } else {
    // Not loaded yet: its facts come with the thumbnail, and this runs again then.
    w.mainImagePreview->setPlainImage(QImage());
  }
  if (watermarkContextView) watermarkContextView->setImageAspectRatio(aspect);
  setImageFileDescription(zoom);
  // A turn exchanges the sides that the rename example and the result line show.
  updateRenameExampleString();
  updateResizeResultString();
  updateEffectImages();
  PreviewAction(nullptr);
}

double AppDelegate::ZoomForDisplayedSize(QSize shown, double aspect) const {
  const QSizeF bounds = window_->mainImagePreview->size();
  if (shown.isEmpty() || bounds.isEmpty()) return 1.0;
  return aspect > bounds.width() / bounds.height() ? bounds.width() / shown.width()
                                                   : bounds.height() / shown.height();
}

void AppDelegate::updateFileDescription() {
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (!entity) return;
  const ImageEntityFacts facts = entity->facts();
  const QSize pixels(static_cast<int>(facts.imageWidth), static_cast<int>(facts.imageHeight));
  const QSize shown =
      OddQuarterTurn(static_cast<qint64>(entity->GetAngle())) ? pixels.transposed() : pixels;
  const double aspect = watermarkContextView ? watermarkContextView->imageAspectRatio() : 1.0;
  setImageFileDescription(facts.thumbnailIsTemplate ? 1.0 : ZoomForDisplayedSize(shown, aspect));
}

void AppDelegate::setImageFileDescription(double zoom) {
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (!entity) return;
  QString text = QString::asprintf("At %.2f%% Zoom", zoom * 100.0);
  const qint64 angle = static_cast<qint64>(entity->GetAngle());
  if (angle != 0) text += QString::asprintf(", Rotated by %lld", angle) + QChar(0x02DA);
  const int flip = entity->GetFlip();
  if ((flip & 3) == 3) {
    text += QStringLiteral(", Fliped Horizonally & Vertically");
  } else if (flip & 1) {
    text += QStringLiteral(", Fliped Horizonally");
  } else if (flip & 2) {
    text += QStringLiteral(", Fliped Vertically");
  }
  window_->filenameLabelOutlet->setText(entity->title());
  window_->fileDescriptionLabelOutlet->setText(text);
}

}  // namespace glimbrik
