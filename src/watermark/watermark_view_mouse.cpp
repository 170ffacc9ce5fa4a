// Selecting watermarks on the overlay with the mouse and dragging them to a new cell and offset.
// A press decides between a drag (it hit a watermark) and a rubber band (it did not); moves
// carry either on until the button is released.
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPolygonF>
#include <algorithm>

#include "engine/convert/resize_math.h"
#include "engine/watermark/watermark_render.h"
#include "platform/store/geometry_text.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_preset_table.h"
#include "watermark/watermark_view.h"

namespace glimbrik {

namespace {

QPolygonF TurnedFrame(const QRectF& frame, int64_t angle) {
  return FrameTransform(frame.topLeft(), frame.size(), angle)
      .map(QPolygonF(QRectF(0, 0, frame.width(), frame.height())));
}

// A pointer beyond an edge counts as just inside it.
QPointF Clamped(QPointF p, double W, double H) {
  return {p.x() < 0   ? 0.1
          : p.x() > W ? W - 0.1
                      : p.x(),
          p.y() < 0   ? 0.1
          : p.y() > H ? H - 0.1
                      : p.y()};
}

}  // namespace

bool WatermarkView::HitAreaContains(const QRectF& frame, int64_t angle, QPointF point) {
  return TurnedFrame(frame, angle).containsPoint(point, Qt::OddEvenFill);
}

bool WatermarkView::HitAreaMeets(const QRectF& frame, int64_t angle, const QRectF& rect) {
  const QPolygonF corners = TurnedFrame(frame, angle);
  BezierPath path;
  for (qsizetype i = 0; i < 4; ++i) {
    PathElement element;
    element.kind = i == 0 ? PathElementKind::MoveTo : PathElementKind::LineTo;
    element.points[0] = corners[i];
    path.elements.push_back(element);
  }
  path.elements.push_back({PathElementKind::ClosePath, {}});
  return CurveHitTest(path, rect);
}

QPointF WatermarkView::OffsetForMovedFrame(int tag, const QRectF& F, QPointF d, double W,
                                           double H) {
  const double left = F.x() + d.x();
  const double bottom = F.y() + d.y();
  const double centreX = left + (F.width() - W) / 2;
  const double centreY = bottom + (F.height() - H) / 2;
  const double right = W - (left + F.width());
  const double top = H - (bottom + F.height());
  QPointF o;
  switch (tag) {
    case 0:
      o = {left, top};
      break;
    case 1:
      o = {centreX, top};
      break;
    case 2:
      o = {right, top};
      break;
    case 3:
      o = {left, centreY};
      break;
    case 4:
      o = {centreX, centreY};
      break;
    case 5:
      o = {right, centreY};
      break;
    case 7:
      o = {centreX, bottom};
      break;
    case 8:
      o = {right, bottom};
      break;
    default:
      o = {left, bottom};
      break;
  }
  const double scale = std::max(W, H) / kWatermarkBaseSide;
  return scale > 0 ? o / scale : QPointF();
}

// --- Events.

void WatermarkView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const bool extend = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  selectAndTrackMouse(ViewPointFromWidget(event->position()), extend);
  event->accept();
}

void WatermarkView::mouseMoveEvent(QMouseEvent* event) {
  if (tracking_ == Tracking::None || !(event->buttons() & Qt::LeftButton))
    return QWidget::mouseMoveEvent(event);
  trackMouseTo(ViewPointFromWidget(event->position()));
  event->accept();
}

void WatermarkView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || tracking_ == Tracking::None)
    return QWidget::mouseReleaseEvent(event);
  endMouseTracking();
  event->accept();
}

// --- Hit tests, against what the last paint drew.

std::optional<int64_t> WatermarkView::textWatermarkAt(QPointF point) const {
  const std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  // The lowest row wins: it lies underneath, but it is the one the user set up first.
  for (size_t i = 0; i < rows.size(); ++i) {
    const WatermarkPresetRow& row = rows[i];
    if (!row.state || !row.frameRect || !drawnLastPaint_.count(static_cast<int64_t>(i))) continue;
    const std::optional<QVariantMap> preset = model_.presetNamed(row.title);
    const int64_t angle =
        preset ? preset->value(QString::fromLatin1(kTextRotationAngleKey)).toLongLong() : 0;
    if (HitAreaContains(*row.frameRect, angle, point)) return static_cast<int64_t>(i);
  }
  return std::nullopt;
}

bool WatermarkView::imageWatermarkAt(QPointF point) const {
  return drawnLastPaint_.count(kImageWatermarkSelectionIndex) &&
         HitAreaContains(model_.m_imageFrameRect(), model_.imageRotationAngle(), point);
}

// --- Selection; the preset table follows.

void WatermarkView::selectTableRows(std::vector<int64_t> rows, int64_t selectedRow) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  model_.setPresetTableSelection(rows, selectedRow);
  if (!table_ || !tableModel_) return;
  // Shown, not taken as the user's choice: the overlay has loaded what it needs itself.
  const bool reloading = reloadingTable_;
  reloadingTable_ = true;
  QItemSelection selection;
  const int lastColumn = tableModel_->columnCount() - 1;
  for (int64_t row : rows) {
    selection.select(tableModel_->index(static_cast<int>(row), 0),
                     tableModel_->index(static_cast<int>(row), lastColumn));
  }
  QItemSelectionModel* selectionModel = table_->selectionModel();
  selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
  if (selectedRow >= 0) {
    selectionModel->setCurrentIndex(
        tableModel_->index(static_cast<int>(selectedRow), kPresetTitleColumn),
        QItemSelectionModel::NoUpdate);
  }
  reloadingTable_ = reloading;
  EnableDisablePresetButtons(true);
}

void WatermarkView::reduceTableSelectionToSelectedRow() {
  if (model_.presetRowCount() < 2 || model_.presetTableSelectedRows().size() < 2) return;
  const int64_t row = model_.presetTableSelectedRow();
  if (row < 0) return;
  selectTableRows({row}, row);
  ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(row);
}

void WatermarkView::selectAndTrackMouse(QPointF p, bool extend) {
  model_.setGraphicIsClicked(false);
  std::set<int64_t> selection = model_.selectionIndexes();
  bool hit = false;
  if (const std::optional<int64_t> found = textWatermarkAt(p)) {
    const int64_t i = *found;
    const bool selected = selection.count(i) > 0;
    if (extend && selected) {
      selection.erase(i);
      model_.setSelectionIndexes(selection);
      std::vector<int64_t> rows = model_.presetTableSelectedRows();
      if (rows.size() >= 2) {
        rows.erase(std::remove(rows.begin(), rows.end(), i), rows.end());
        int64_t current = model_.presetTableSelectedRow();
        if (current == i || std::find(rows.begin(), rows.end(), current) == rows.end())
          current = rows.back();
        selectTableRows(rows, current);
        ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(current);
      }
    } else if (extend) {
      selection.insert(i);
      model_.setSelectionIndexes(selection);
      std::vector<int64_t> texts;
      for (int64_t index : selection) {
        if (index != kImageWatermarkSelectionIndex) texts.push_back(index);
      }
      selectTableRows(texts.size() < 2 ? std::vector<int64_t>{i} : texts, i);
      ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(i);
    } else if (!selected) {
      model_.setSelectionIndexes({i});
      selectTableRows({i}, i);
      ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(i);
    }
    // A press on a selected one keeps a multiple selection whole for the drag.
    hit = true;
  } else if (imageWatermarkAt(p)) {
    if (extend) {
      if (!selection.erase(kImageWatermarkSelectionIndex))
        selection.insert(kImageWatermarkSelectionIndex);
      model_.setSelectionIndexes(selection);
    } else if (!selection.count(kImageWatermarkSelectionIndex)) {
      model_.setSelectionIndexes({kImageWatermarkSelectionIndex});
      reduceTableSelectionToSelectedRow();
    }
    hit = true;
  } else if (!extend) {
    model_.setSelectionIndexes({});
    reduceTableSelectionToSelectedRow();
  }
  pressPoint_ = p;
  dragStartFrames_.clear();
  if (hit) {
    tracking_ = Tracking::Graphics;
    // Each watermark moves from where it was drawn at the press.
    const std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
    for (int64_t index : model_.selectionIndexes()) {
      if (!drawnLastPaint_.count(index)) continue;
      if (index == kImageWatermarkSelectionIndex) {
        dragStartFrames_[index] = model_.m_imageFrameRect();
      } else if (index >= 0 && index < static_cast<int64_t>(rows.size()) &&
                 rows[static_cast<size_t>(index)].frameRect) {
        dragStartFrames_[index] = *rows[static_cast<size_t>(index)].frameRect;
      }
    }
  } else {
    tracking_ = Tracking::Band;
  }
  update();
}

void WatermarkView::trackMouseTo(QPointF point) {
  const QPointF q = Clamped(point, width(), height());
  if (tracking_ == Tracking::Graphics) {
    moveSelectedGraphics(q);
  } else if (tracking_ == Tracking::Band) {
    dragSelectionRect(q);
  }
}

void WatermarkView::endMouseTracking() {
  tracking_ = Tracking::None;
  dragPointer_.reset();
  dragStartFrames_.clear();
  model_.setGraphicIsClicked(false);
  model_.setIsSelectionOnDrag(false);
  update();
}

// --- The drag.

void WatermarkView::GetImageWatermarkOffsetUsingAsPerPosition(QPointF movement) {
  const auto start = dragStartFrames_.find(kImageWatermarkSelectionIndex);
  const QRectF frame = start != dragStartFrames_.end() ? start->second : model_.m_imageFrameRect();
  model_.setImageWatermarkOffset(
      OffsetForMovedFrame(model_.imagePosition(), frame, movement, width(), height()));
  if (controls.showImagePlacement) controls.showImagePlacement();
}

void WatermarkView::GetTextWatermarkOffsetUsingAsPerPosition(QPointF movement, int64_t row) {
  const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
  if (!entry || !entry->frameRect || entry->title.isEmpty()) return;
  std::optional<QVariantMap> preset = model_.presetNamed(entry->title);
  if (!preset) return;
  const auto start = dragStartFrames_.find(row);
  const QRectF frame = start != dragStartFrames_.end() ? start->second : *entry->frameRect;
  const int tag = model_.textPosition();
  const QPointF offset = OffsetForMovedFrame(tag, frame, movement, width(), height());
  model_.setTextWatermarkOffset(offset);
  if (controls.showTextPlacement) controls.showTextPlacement();
  preset->insert(QString::fromLatin1(kTextPositionKey), qint64(tag));
  preset->insert(QString::fromLatin1(kTextWatermarkOffsetKey), StringFromPoint(offset));
  preset->insert(QString::fromLatin1(kDirtyFlagKey), true);
  model_.setPresetNamed(entry->title, *preset);
}

void WatermarkView::moveSelectedGraphics(QPointF q) {
  int tag = DropCellForPoint(q, width(), height(), nullptr);
  if (tag < 0) tag = 0;
  // Measured from the press, against the frames drawn then: the result does not depend on how
  // many moves the window system reported on the way.
  const QPointF movement = q - pressPoint_;
  const int64_t rowCount = model_.presetRowCount();
  bool textMoved = false;
  bool imageMoved = false;
  for (int64_t index : model_.selectionIndexes()) {
    if (!dragStartFrames_.count(index)) continue;  // not drawn: nothing to move from
    if (index == kImageWatermarkSelectionIndex) {
      model_.setImagePosition(tag);
      GetImageWatermarkOffsetUsingAsPerPosition(movement);
      imageMoved = true;
    } else if (index >= 0 && index < rowCount) {
      if (!textMoved) model_.setTextPosition(tag);
      GetTextWatermarkOffsetUsingAsPerPosition(movement, index);
      textMoved = true;
    }
  }
  if (textMoved) {
    reloadPresetTable();
    EnableDisableSaveButton(true);
  }
  if ((textMoved || imageMoved) && host.changeGlobalPresetOption)
    host.changeGlobalPresetOption(this);
  dragPointer_ = q;
  model_.setGraphicIsClicked(true);
  repaint();
}

// --- The rubber band.

void WatermarkView::dragSelectionRect(QPointF q) {
  const QRectF band = QRectF(pressPoint_, q).normalized();
  model_.setSelectionRect(band);
  std::set<int64_t> selection;
  std::vector<int64_t> tableRows = model_.presetTableSelectedRows();
  const std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  for (size_t i = 0; i < rows.size(); ++i) {
    const int64_t index = static_cast<int64_t>(i);
    const WatermarkPresetRow& row = rows[i];
    if (!row.state || !row.frameRect || !drawnLastPaint_.count(index)) continue;
    const std::optional<QVariantMap> preset = model_.presetNamed(row.title);
    const int64_t angle =
        preset ? preset->value(QString::fromLatin1(kTextRotationAngleKey)).toLongLong() : 0;
    const bool inTable = std::find(tableRows.begin(), tableRows.end(), index) != tableRows.end();
    if (HitAreaMeets(*row.frameRect, angle, band)) {
      selection.insert(index);
      if (!inTable) tableRows.push_back(index);
    } else if (tableRows.size() >= 2 && inTable) {
      // Deselected only while another stays: the table never ends without a selected row.
      tableRows.erase(std::remove(tableRows.begin(), tableRows.end(), index), tableRows.end());
    }
  }
  if (drawnLastPaint_.count(kImageWatermarkSelectionIndex) &&
      HitAreaMeets(model_.m_imageFrameRect(), model_.imageRotationAngle(), band)) {
    selection.insert(kImageWatermarkSelectionIndex);
  }
  model_.setSelectionIndexes(selection);
  if (tableRows != model_.presetTableSelectedRows()) {
    std::sort(tableRows.begin(), tableRows.end());
    const int64_t previous = model_.presetTableSelectedRow();
    const bool kept = std::find(tableRows.begin(), tableRows.end(), previous) != tableRows.end();
    const int64_t current = kept ? previous : tableRows.empty() ? -1 : tableRows.back();
    selectTableRows(tableRows, current);
    if (current >= 0 && current != previous)
      ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(current);
  }
  model_.setIsSelectionOnDrag(true);
  repaint();
}

}  // namespace glimbrik
