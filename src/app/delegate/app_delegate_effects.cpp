#include <QAbstractButton>
#include <QGuiApplication>

#include "app/delegate/app_delegate.h"
#include "app/panels/effect_thumbnails.h"
#include "app/window/image_view.h"

namespace glimbrik {

void AppDelegate::updateEffectImages() {
  if (!isGroupOn(kEffectGroup)) return;
  QImage source;
  if (const ImageEntityPtr entity = GetSelectedImageObject()) {
    // The main view's image: the decoded file once it is there, its thumbnail until then.
    source = TurnedImage(window_->mainImagePreview->currentImage(), entity->GetFlip(),
                         static_cast<qint64>(entity->GetAngle()));
  } else {
    source = QGuiApplication::windowIcon().pixmap(256).toImage();
  }
  const quint64 generation = ++effectImagesGeneration_;
  QButtonGroup* cells = panels().effectsRadioButtonOutlet;
  if (source.isNull()) {
    // Nothing to show (no image, or not loaded yet): never a picture that is gone.
    for (int tag = 0; tag < kEffectCount; ++tag) {
      if (QAbstractButton* cell = cells->button(tag)) cell->setIcon(QIcon());
    }
    return;
  }
  // One drawing at a time, and a request not yet started is dropped for the newest one.
  effectPool_.setMaxThreadCount(1);
  effectPool_.clear();
  effectPool_.start([this, generation, source] {
    const std::array<QImage, kEffectCount> images = MakeEffectImages(source);
    QMetaObject::invokeMethod(
        this,
        [this, generation, images] {
          // A newer request (another image selected meanwhile) wins.
          if (generation != effectImagesGeneration_) return;
          QButtonGroup* cells = panels().effectsRadioButtonOutlet;
          for (int tag = 0; tag < kEffectCount; ++tag) {
            if (QAbstractButton* cell = cells->button(tag))
              cell->setIcon(QIcon(QPixmap::fromImage(images[tag])));
          }
          emit effectImagesUpdated();
        },
        Qt::QueuedConnection);
  });
}

}  // namespace glimbrik
