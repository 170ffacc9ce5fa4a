#include "app/window/image_view.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>
#include <cmath>

#include "app/list/entity_loader.h"
#include "engine/convert/image_types.h"
#include "platform/codecs/image_source.h"

namespace glimbrik {

namespace {

bool OddQuarterTurn(int64_t angle) { return (angle / 90) % 2 != 0; }

// The file's first image, oriented, decoded no larger than needed to cover target.
QImage DecodeForDisplay(const QString& path, QSize target) {
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  if (source && source->isValid()) {
    DecodeOptions options;
    options.minimumSize = target;
    const ImageResult<QImage> decoded = source->decode(0, options);
    if (decoded.ok() && !decoded.value.isNull()) {
      QImage image = decoded.value;
      // Other codecs decode whole: keep no more than the view needs.
      if (image.width() > 2 * target.width() && image.height() > 2 * target.height()) {
        image = image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
      }
      return OrientedImage(image, source->representation(0).orientation);
    }
  }
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QSize stored = reader.size();
  if (stored.isValid() && stored.width() > 2 * target.width() &&
      stored.height() > 2 * target.height()) {
    reader.setScaledSize(stored.scaled(target, Qt::KeepAspectRatioByExpanding));
  }
  return reader.read();
}

}  // namespace

QVXImageView::QVXImageView(QWidget* parent) : QWidget(parent) {}

QSize QVXImageView::DecodeTarget(QSize pixelSize, QSize viewPixels) {
  if (pixelSize.isEmpty() || viewPixels.isEmpty()) return QSize(1, 1);
  // The longer view side bounds either orientation of the image.
  const int side = std::max(viewPixels.width(), viewPixels.height());
  const QSize fitted = pixelSize.scaled(side, side, Qt::KeepAspectRatio);
  return fitted.boundedTo(pixelSize).expandedTo(QSize(1, 1));
}

void QVXImageView::setPlainImage(const QImage& image) {
  ++generation_;
  image_ = image;
  path_.clear();
  plain_ = true;
  decoded_ = false;
  flip_ = 0;
  angle_ = 0;
  pixelSize_ = image.size();
  update();
}

void QVXImageView::setEntryImage(const QString& path, const QImage& placeholder, QSize pixelSize,
                                 int flip, int64_t angle) {
  const bool sameFile = !plain_ && path == path_ && pixelSize == pixelSize_;
  plain_ = false;
  flip_ = flip;
  angle_ = angle;
  if (sameFile && decoded_) {
    update();  // only the turn or the mirror changed
    return;
  }
  path_ = path;
  pixelSize_ = pixelSize;
  if (!sameFile || image_.isNull()) {
    image_ = placeholder;
    decoded_ = false;
    startDecode();
  }
  update();
}

QSize QVXImageView::displayedSize() const {
  if (plain_) return image_.size();
  return OddQuarterTurn(angle_) ? pixelSize_.transposed() : pixelSize_;
}

void QVXImageView::startDecode() {
  const uint64_t generation = ++generation_;
  if (path_.isEmpty() || pixelSize_.isEmpty()) return;
  const QSize viewPixels = (size() * devicePixelRatioF()).expandedTo(QSize(256, 256));
  const QSize target = DecodeTarget(pixelSize_, viewPixels);
  const QString path = path_;
  QPointer<QVXImageView> self(this);
  QThreadPool::globalInstance()->start([self, path, target, generation] {
    QImage image = DecodeForDisplay(path, target);
    // Delivered through the application object: the view may be gone by then.
    QMetaObject::invokeMethod(
        qApp,
        [self, image = std::move(image), generation]() mutable {
          if (!self || self->generation_ != generation || image.isNull()) return;
          self->image_ = std::move(image);
          self->decoded_ = true;
          self->update();
          emit self->imageDecoded();
        },
        Qt::QueuedConnection);
  });
}

void QVXImageView::resizeEvent(QResizeEvent*) {
  // A view grown past the decoded picture decodes it again, larger; the old one shows meanwhile.
  if (plain_ || !decoded_ || path_.isEmpty()) return;
  const QSize need = DecodeTarget(pixelSize_, size() * devicePixelRatioF());
  if (image_.width() < need.width() && image_.height() < need.height()) startDecode();
}

void QVXImageView::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  const QSizeF view = size();
  if (plain_) {
    QSizeF shown = image_.size();
    if (shown.width() > view.width() || shown.height() > view.height())
      shown.scale(view, Qt::KeepAspectRatio);
    const QRectF target(
        QPointF((view.width() - shown.width()) / 2, (view.height() - shown.height()) / 2), shown);
    painter.drawImage(target, image_);
    return;
  }
  const QSizeF shown = displayedSize();
  if (shown.isEmpty()) return;
  // Fitted as the watermark view is, so that the overlay lies exactly over the picture.
  const QSizeF fitted = shown.scaled(view, Qt::KeepAspectRatio);
  const QPointF origin((view.width() - fitted.width()) / 2, (view.height() - fitted.height()) / 2);
  const double w = pixelSize_.width();
  const double h = pixelSize_.height();
  // Image rows -> y-up pixels of the stored image -> turned and mirrored (y-up, displayed
  // size) -> widget (y-down, fitted). The image itself may be a smaller decode or a thumbnail.
  QTransform t = QTransform::fromScale(w / image_.width(), h / image_.height());
  t *= QTransform(1, 0, 0, -1, 0, h);
  t *= OrientationTransform(w, h, flip_, angle_);
  t *= QTransform(1, 0, 0, -1, 0, shown.height());
  t *= QTransform::fromScale(fitted.width() / shown.width(), fitted.height() / shown.height());
  t *= QTransform::fromTranslate(origin.x(), origin.y());
  painter.setTransform(t);
  painter.drawImage(QPointF(0, 0), image_);
}

}  // namespace glimbrik
