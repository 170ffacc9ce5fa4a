#include <QAbstractButton>
#include <QGuiApplication>

#include "app/app_delegate.h"
#include "app/effect_thumbnails.h"

namespace glimbrik {

void AppDelegate::updateEffectImages() {
  if (!isGroupOn(kEffectGroup)) return;
  const ImageEntityPtr entity = selectedImageEntity();
  QString path;
  QImage fallback;
  if (entity) {
    path = entity->filePath();
    fallback = entity->facts().thumbnailImage;
  } else {
    fallback = QGuiApplication::windowIcon().pixmap(256).toImage();
    if (fallback.isNull()) return;
  }
  const quint64 generation = ++effectImagesGeneration_;
  // One drawing at a time, and a request not yet started is dropped for the newest one.
  effectPool_.setMaxThreadCount(1);
  effectPool_.clear();
  effectPool_.start([this, generation, path, fallback] {
    QImage source = path.isEmpty() ? QImage() : EffectSourceImageForFile(path);
    if (source.isNull()) source = fallback;
    if (source.isNull()) return;
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
