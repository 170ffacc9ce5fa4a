#include "app/list/image_list_model.h"

#include <algorithm>
#include <unordered_map>

#include "app/list/cell_texts.h"
#include "app/list/thumbnail_queue.h"

namespace glimbrik {

ImageListModel::ImageListModel(QObject* parent) : QAbstractTableModel(parent) {
  connect(&ThumbnailOperationQueue(), &ThumbnailQueue::thumbnailImageChanged, this,
          &ImageListModel::ReloadRowForEntity, Qt::QueuedConnection);
}

int ImageListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

int ImageListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 1;
}

ImageEntityPtr ImageListModel::entityForRow(int row) const {
  return row >= 0 && row < static_cast<int>(entries_.size()) ? entries_[row] : nullptr;
}

int ImageListModel::rowOf(quintptr entity) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [entity](const ImageEntityPtr& e) {
    return reinterpret_cast<quintptr>(e.get()) == entity;
  });
  return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

QVariant ImageListModel::data(const QModelIndex& index, int role) const {
  const ImageEntityPtr entity = entityForRow(index.row());
  if (!entity) return {};
  switch (role) {
    case Qt::DisplayRole:
      return entity->title();
    case Qt::ToolTipRole: {
      const QString reason = entity->failureReason();
      return reason.isEmpty() ? entity->title() : entity->title() + u'\n' + reason;
    }
    case FailureRole:
      return entity->failureReason();
    case EntityRole:
      return QVariant::fromValue(static_cast<void*>(entity.get()));
    case ThumbnailRole:
      return entity->GetThumbnailImage();
    case LoadingRole:
      return !entity->isLoaded();
    case FileSizeTextRole:
    case ImagePixelSizeTextRole:
    case ImageDPITextRole: {
      if (!entity->isLoaded()) return QString();
      const CellTexts texts =
          CellTextsFor(entity->facts(), entity->GetImageKind(), entity->GetImageCreationDate());
      if (role == FileSizeTextRole) return texts.fileSizeText;
      if (role == ImagePixelSizeTextRole) return texts.imagePixelSizeText;
      return texts.imageDPIText;
    }
    default:
      return {};
  }
}

QVariant ImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal) {
    if (role == Qt::UserRole)
      return QStringLiteral("ImageList");  // the column's identifier and sort key
    if (role == Qt::DisplayRole) return QStringLiteral("Name");
  }
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ImageListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

int ImageListModel::insertEntries(int row, const std::vector<ImageEntityPtr>& entries) {
  const int count = static_cast<int>(entries_.size());
  const int at = std::clamp(row, 0, count);
  if (entries.empty()) return at;
  beginInsertRows(QModelIndex(), at, at + static_cast<int>(entries.size()) - 1);
  entries_.insert(entries_.begin() + at, entries.begin(), entries.end());
  endInsertRows();
  return at;
}

void ImageListModel::removeEntryRows(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end(), std::greater<int>());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int row : rows) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) continue;
    beginRemoveRows(QModelIndex(), row, row);
    entries_.erase(entries_.begin() + row);
    endRemoveRows();
  }
}

void ImageListModel::removeAllEntries() {
  beginResetModel();
  entries_.clear();
  endResetModel();
}

void ImageListModel::replaceEntries(std::vector<ImageEntityPtr> entries) {
  // A layout change keeps the selection on the same entries.
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) {
    const ImageEntityPtr entity = entityForRow(old.row());
    const auto it = std::find(entries.begin(), entries.end(), entity);
    after.append(it == entries.end() ? QModelIndex()
                                     : index(static_cast<int>(it - entries.begin()), old.column()));
  }
  entries_ = std::move(entries);
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

void ImageListModel::ReloadRowForEntity(quintptr entity) {
  const int row = rowOf(entity);
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, 0));
}

void ImageListModel::MarkFailedFiles(const std::vector<BatchFailure>& failures) {
  std::unordered_map<QString, QString> reasons;
  for (const BatchFailure& failure : failures) reasons[failure.path] = failure.reason;
  for (const ImageEntityPtr& entity : entries_) {
    const auto found = reasons.find(entity->filePath());
    entity->setFailureReason(found == reasons.end() ? QString() : found->second);
  }
  if (!entries_.empty()) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                     {Qt::ToolTipRole, FailureRole});
  }
}

}  // namespace glimbrik
