#include "app/list/list_entity.h"

#include <QFileInfo>

#include "app/batch/raw_file_names.h"
#include "app/list/entity_loader.h"
#include "app/list/thumbnail_queue.h"

namespace glimbrik {

ListViewBaseCellEntity::ListViewBaseCellEntity(const QString& filePath, const QString& kind,
                                               const QString& parentFolder)
    : imageKind_(kind), filePath_(filePath), parentFolder_(parentFolder) {}

QString ListViewBaseCellEntity::title() const {
  return MadeValidPath(QFileInfo(filePath_).fileName());
}

QString ListViewBaseCellEntity::GetImageKind() const {
  std::lock_guard lock(mutex_);
  return imageKind_;
}

namespace {
QDateTime CreationDateOf(const QString& path) {
  const QDateTime birth = QFileInfo(path).birthTime();
  return birth.isValid() ? birth : QDateTime();
}
}  // namespace

ListViewBaseCellImageEntity::ListViewBaseCellImageEntity(const QString& filePath,
                                                         const QString& kind,
                                                         const QString& parentFolder)
    : ListViewBaseCellEntity(filePath, kind, parentFolder),
      imageCreationDate_(CreationDateOf(filePath)) {}

std::shared_ptr<ListViewBaseCellImageEntity> ListViewBaseCellImageEntity::entityForURL(
    const QString& filePath, const QString& kind, const QString& parentFolder) {
  return std::make_shared<ListViewBaseCellImageEntity>(filePath, kind, parentFolder);
}

QImage ListViewBaseCellImageEntity::GetThumbnailImage() {
  // Read before the load starts, so that a fresh entry answers with none even when a queue thread
  // finishes the load before this returns; the finished load announces itself all the same.
  const QImage current = facts().thumbnailImage;
  loadImage();
  return current;
}

void ListViewBaseCellImageEntity::loadImage() {
  {
    std::lock_guard lock(mutex_);
    if (loaded_ || loading_) return;
    loading_ = true;
  }
  // The task holds the entry alive until it has run.
  std::shared_ptr<ListViewBaseCellImageEntity> self = shared_from_this();
  ThumbnailOperationQueue().enqueue([self] { self->loadImageDirectly(); });
}

void ListViewBaseCellImageEntity::loadImageDirectly() {
  {
    // A view asking for the thumbnail meanwhile must not queue a second load.
    std::lock_guard lock(mutex_);
    loading_ = true;
  }
  const LoadedEntity loaded = LoadEntityFacts(filePath(), GetImageKind());
  {
    std::lock_guard lock(mutex_);
    facts_ = loaded.facts;
    if (!loaded.kind.isNull()) imageKind_ = loaded.kind;
    loaded_ = true;
    loading_ = false;
  }
  ThumbnailOperationQueue().announceLoaded(this);
}

bool ListViewBaseCellImageEntity::imageLoading() const {
  std::lock_guard lock(mutex_);
  return loading_;
}

bool ListViewBaseCellImageEntity::isLoaded() const {
  std::lock_guard lock(mutex_);
  return loaded_;
}

ImageEntityFacts ListViewBaseCellImageEntity::facts() const {
  std::lock_guard lock(mutex_);
  return facts_;
}

bool ListViewBaseCellImageEntity::IsWebpImage() const {
  return GetImageKind() == QLatin1String("Webp image");
}

QString ListViewBaseCellImageEntity::failureReason() const {
  std::lock_guard lock(mutex_);
  return failureReason_;
}

void ListViewBaseCellImageEntity::setFailureReason(const QString& reason) {
  std::lock_guard lock(mutex_);
  failureReason_ = reason;
}

}  // namespace glimbrik
