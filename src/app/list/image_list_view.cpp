#include "app/list/image_list_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "app/list/entity_loader.h"
#include "app/list/image_list_model.h"
#include "app/list/rows_drag_data.h"

namespace glimbrik {

namespace {
constexpr int kRowHeight = kThumbnailMaxPixelSize + 12;
constexpr int kTextLeft = kThumbnailMaxPixelSize + 16;
}  // namespace

void ImageDataCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  // Only the row's background from the style; the texts and image are drawn below.
  QStyleOptionViewItem base = option;
  initStyleOption(&base, index);
  base.text.clear();
  base.features &= ~QStyleOptionViewItem::HasDisplay;
  QStyle* style = option.widget ? option.widget->style() : QApplication::style();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &base, painter, option.widget);

  painter->save();
  const QRect cell = option.rect;
  const QRect imageBox(cell.left() + 6, cell.top() + 6, kThumbnailMaxPixelSize,
                       kThumbnailMaxPixelSize);
  const QImage thumbnail = index.data(ImageListModel::ThumbnailRole).value<QImage>();
  const auto entity =
      reinterpret_cast<quintptr>(index.data(ImageListModel::EntityRole).value<void*>());
  auto* view = qobject_cast<ImageListView*>(const_cast<QWidget*>(option.widget));
  if (!thumbnail.isNull()) {
    const QSize size = thumbnail.size().scaled(imageBox.size(), Qt::KeepAspectRatio);
    const QRect target(imageBox.center().x() - size.width() / 2 + 1,
                       imageBox.center().y() - size.height() / 2 + 1, size.width(), size.height());
    painter->setOpacity(view ? view->thumbnailOpacity(entity) : 1.0);
    painter->drawImage(target, thumbnail);
    painter->setOpacity(1.0);
  } else {
    // A turning three-quarter arc while the thumbnail loads.
    const int angle = view ? view->busyMarkAngle(entity) : 90;
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(option.palette.color(QPalette::Mid), 3, Qt::SolidLine, Qt::RoundCap));
    painter->drawArc(QRect(imageBox.center() - QPoint(10, 10), QSize(20, 20)), angle * 16,
                     270 * 16);
  }
  const bool selected = option.state & QStyle::State_Selected;
  // A file the last run could not write has its name in red (the reason is its tool tip).
  const bool failed = !index.data(ImageListModel::FailureRole).toString().isEmpty();
  painter->setPen(
      failed ? QColor(200, 30, 30)
             : option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  QFont bold = option.font;
  bold.setBold(true);
  const int lineHeight = option.fontMetrics.height() + 4;
  QRect line(cell.left() + kTextLeft, cell.top() + 10, cell.width() - kTextLeft - 6, lineHeight);
  // Texts wider than the row end in an ellipsis (the name keeps its extension), never cut.
  painter->setFont(bold);
  painter->drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                    QFontMetrics(bold).elidedText(index.data(Qt::DisplayRole).toString(),
                                                  Qt::ElideMiddle, line.width()));
  painter->setFont(option.font);
  for (int role : {ImageListModel::FileSizeTextRole, ImageListModel::ImagePixelSizeTextRole,
                   ImageListModel::ImageDPITextRole}) {
    line.translate(0, lineHeight);
    painter->drawText(
        line, Qt::AlignLeft | Qt::AlignVCenter,
        option.fontMetrics.elidedText(index.data(role).toString(), Qt::ElideRight, line.width()));
  }
  painter->restore();
}

QSize ImageDataCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                      const QModelIndex&) const {
  return QSize(kTextLeft + 220, std::max(kRowHeight, option.fontMetrics.height() * 6));
}

ImageListView::ImageListView(QWidget* parent) : QTableView(parent) {
  setObjectName(QStringLiteral("imageListViewOutlet"));
  setItemDelegate(new ImageDataCellDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setShowGrid(false);
  setAlternatingRowColors(true);
  setWordWrap(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSortIndicatorShown(true);
  horizontalHeader()->setSectionsClickable(true);
  setAcceptDrops(true);
  setDragEnabled(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  clock_.start();
  animationTimer_.setInterval(30);
  connect(&animationTimer_, &QTimer::timeout, this, &ImageListView::animate);
}

double ImageListView::thumbnailOpacity(quintptr entity) {
  // Only a thumbnail that replaces a busy mark on screen fades; others are simply there.
  if (shownLoading_.remove(entity)) {
    fadeStart_.insert(entity, clock_.elapsed());
    animationTimer_.start();
  }
  const auto fade = fadeStart_.constFind(entity);
  if (fade == fadeStart_.constEnd()) return 1.0;
  const qint64 elapsed = clock_.elapsed() - *fade;
  if (elapsed >= kThumbnailFadeMs) {
    fadeStart_.erase(fade);
    return 1.0;
  }
  return double(elapsed) / kThumbnailFadeMs;
}

int ImageListView::busyMarkAngle(quintptr entity) {
  shownLoading_.insert(entity);
  busyMarkDrawn_ = true;
  if (!animationTimer_.isActive()) animationTimer_.start();
  return 90 - int(clock_.elapsed() % 1000 * 360 / 1000);
}

void ImageListView::animate() {
  // Runs while a row fades or a busy mark was drawn since the last step; a fade whose row went
  // away meanwhile ends on time all the same.
  const qint64 now = clock_.elapsed();
  const qsizetype ended = fadeStart_.removeIf(
      [now](const auto& fade) { return now - fade.value() > kThumbnailFadeMs; });
  if (fadeStart_.isEmpty() && !busyMarkDrawn_) {
    if (ended > 0) viewport()->update();  // the last step, at full opacity
    animationTimer_.stop();
    shownLoading_.clear();  // rows gone or scrolled away meanwhile
    return;
  }
  busyMarkDrawn_ = false;
  viewport()->update();
}

bool ImageListView::isSelected(const QModelIndex& index) const {
  return index.isValid() && selectionModel() &&
         selectionModel()->isRowSelected(index.row(), index.parent());
}

void ImageListView::selectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected) {
  const QModelIndex current = currentIndex();
  if (isSelected(current) && (selected.contains(current) || !isSelected(selectedRow_))) {
    selectedRow_ = current.siblingAtColumn(0);
  } else if (!isSelected(selectedRow_)) {
    // Selected by a program, before it moved the current row: the last row it added.
    const QModelIndex added =
        selected.isEmpty() ? QModelIndex() : QModelIndex(selected.last().bottomRight());
    selectedRow_ = added.siblingAtColumn(0);
  }
  QTableView::selectionChanged(selected, deselected);
}

int ImageListView::selectedRow() const {
  if (isSelected(selectedRow_)) return selectedRow_.row();
  if (!selectionModel()) return -1;
  int first = -1;
  for (const QModelIndex& index : selectionModel()->selectedRows())
    first = first < 0 ? index.row() : std::min(first, index.row());
  return first;
}

void ImageListView::startDrag(Qt::DropActions) {
  if (!makeDragData || !selectionModel()) return;
  QList<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows << index.row();
  if (rows.isEmpty()) return;
  std::sort(rows.begin(), rows.end());
  QMimeData* data = makeDragData(rows);
  if (!data) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  const QImage thumbnail =
      model()->index(rows.first(), 0).data(ImageListModel::ThumbnailRole).value<QImage>();
  if (!thumbnail.isNull()) {
    drag->setPixmap(QPixmap::fromImage(
        thumbnail.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  }
  // The drag is under way once its loop runs; the data may go with the drag (X keeps it until
  // the target has finished with it), so it is reached through a guard afterwards.
  const QPointer<RowsDragData> rowsData = qobject_cast<RowsDragData*>(data);
  if (rowsData) QTimer::singleShot(0, rowsData, &RowsDragData::dragStarted);
  const Qt::DropAction result = drag->exec(Qt::CopyAction, Qt::CopyAction);
  if (rowsData) rowsData->dragEnded(result);
}

int ImageListView::dropRowAt(const QPoint& pos) const {
  const int rows = model() ? model()->rowCount() : 0;
  const int row = rowAt(pos.y());
  if (row < 0) return rows;
  const QRect rect = visualRect(model()->index(row, 0));
  return pos.y() > rect.center().y() ? row + 1 : row;
}

bool ImageListView::acceptsDrag(const QDropEvent* event) const {
  return dropAllowed_ && event->source() != this && event->mimeData()->hasUrls();
}

void ImageListView::dragEnterEvent(QDragEnterEvent* event) {
  if (acceptsDrag(event)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void ImageListView::dragMoveEvent(QDragMoveEvent* event) {
  if (acceptsDrag(event)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void ImageListView::dropEvent(QDropEvent* event) {
  if (!acceptsDrag(event)) {
    event->ignore();
    return;
  }
  QList<QUrl> files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.append(url);
  }
  if (files.isEmpty()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit filesDropped(files, dropRowAt(event->position().toPoint()));
}

}  // namespace glimbrik
