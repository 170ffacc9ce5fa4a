#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QUrl>
#include <functional>

class QMimeData;

namespace glimbrik {

// Draws a list row: thumbnail (or a busy mark while it loads), file name and the three detail
// lines of the entry.
class ImageDataCellDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The image list's table: one column, file drops between or on rows, and selected rows dragged
// out to other applications.
class ImageListView : public QTableView {
  Q_OBJECT
 public:
  explicit ImageListView(QWidget* parent = nullptr);

  // Whether dropped files are taken (the Add command is enabled).
  void setDropAllowed(bool allowed) { dropAllowed_ = allowed; }
  bool isDropAllowed() const { return dropAllowed_; }
  // The row a drop at pos lands on: the row under it, below its middle the next one, past the
  // last row the end.
  int dropRowAt(const QPoint& pos) const;
  // What a drag of the given rows (in list order) carries; no drag without it.
  std::function<QMimeData*(const QList<int>& rows)> makeDragData;

  // The row animations. A thumbnail that arrives while its row is shown fades in over
  // kThumbnailFadeMs; until then the row shows a turning busy mark.
  static constexpr int kThumbnailFadeMs = 800;
  // The opacity to draw the entity's thumbnail at now; the first call after its row was drawn
  // loading starts the fade.
  double thumbnailOpacity(quintptr entity);
  // The entity's row is drawn loading: the busy mark's start angle in degrees (one turn a
  // second).
  int busyMarkAngle(quintptr entity);

  // The table's selected row: the one selected last, for as long as it stays selected. A press on
  // a row that is already selected (the start of a drag) moves the current row but selects
  // nothing, so it leaves this one. -1 when nothing is selected.
  int selectedRow() const;

 signals:
  void filesDropped(const QList<QUrl>& urls, int row);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

 private:
  bool acceptsDrag(const QDropEvent* event) const;
  void animate();
  bool isSelected(const QModelIndex& index) const;
  bool dropAllowed_ = true;
  QPersistentModelIndex selectedRow_;
  QTimer animationTimer_;
  QElapsedTimer clock_;
  QSet<quintptr> shownLoading_;        // entities last drawn without their thumbnail
  QHash<quintptr, qint64> fadeStart_;  // clock_ time at which each fade began
  bool busyMarkDrawn_ = false;         // since the last animation step
};

}  // namespace glimbrik
