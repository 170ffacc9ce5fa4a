#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "app/batch/batch_host.h"
#include "app/list/list_entity.h"

namespace glimbrik {

// The image list's rows over the entries the controller owns, in display order. Insertions are
// made and announced together on the GUI thread.
class ImageListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Role {
    EntityRole = Qt::UserRole + 1,
    ThumbnailRole,  // QImage, null while loading (asking starts a load)
    LoadingRole,    // bool: no thumbnail yet
    FileSizeTextRole,
    ImagePixelSizeTextRole,
    ImageDPITextRole,
    FailureRole,  // QString: why the last run could not write the file; empty otherwise
  };

  explicit ImageListModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const std::vector<ImageEntityPtr>& entries() const { return entries_; }
  ImageEntityPtr entityForRow(int row) const;
  int rowOf(quintptr entity) const;

  // Inserts at row, clamped to the list; returns the row of the first inserted entry.
  int insertEntries(int row, const std::vector<ImageEntityPtr>& entries);
  // Removes the given rows (any order).
  void removeEntryRows(std::vector<int> rows);
  void removeAllEntries();
  // Replaces the order of the same entries.
  void replaceEntries(std::vector<ImageEntityPtr> entries);

 public slots:
  // Refreshes the row of an entity whose facts were published; nothing when it left the list.
  void ReloadRowForEntity(quintptr entity);
  // Marks the files the last run could not write (path to reason); every other row is cleared.
  void MarkFailedFiles(const std::vector<BatchFailure>& failures);

 private:
  std::vector<ImageEntityPtr> entries_;
};

}  // namespace glimbrik
