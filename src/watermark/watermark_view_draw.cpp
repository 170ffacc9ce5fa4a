// The live overlay: the watermarks through the engine's renderers, then the editing aids.
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "engine/watermark/watermark_render.h"
#include "platform/store/geometry_text.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_presets.h"
#include "watermark/watermark_transfer.h"
#include "watermark/watermark_view.h"

namespace glimbrik {

namespace {

const QColor kFrameColor(248, 212, 80);
const QColor kHandleColor = QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.7f);
const QColor kGridFill = QColor::fromRgbF(1, 1, 1, 0);
const QColor kGridStroke = QColor::fromRgbF(75 / 255.0f, 1, 1, 0.5f);
const QColor kCellFill = QColor::fromRgbF(0, 122 / 255.0f, 1, 0.2f);
const QColor kCellStroke = QColor::fromRgbF(0, 122 / 255.0f, 1, 1);
const QColor kBandFill = QColor::fromRgbF(248 / 255.0f, 212 / 255.0f, 80 / 255.0f, 0.3f);

// The base sizes differ enough to be stored again.
bool BaseChanged(QSizeF a, QSizeF b) {
  return std::fabs(a.width() - b.width()) >= 0.0001 || std::fabs(a.height() - b.height()) >= 0.0001;
}

}  // namespace

QPointF WatermarkView::GetSelectedBoxAnchorPointForPositionTag(int tag, const QRectF& r) {
  const double minX = r.left(), midX = r.center().x(), maxX = r.right();
  // y up: the rectangle's top() is its minimum y.
  const double minY = r.top(), midY = r.center().y(), maxY = r.bottom();
  switch (tag) {
    case 0:
      return {minX, maxY};
    case 1:
      return {midX, maxY};
    case 2:
      return {maxX, maxY};
    case 3:
      return {minX, midY};
    case 4:
      return {midX, midY};
    case 5:
      return {maxX, midY};
    case 7:
      return {midX, minY};
    case 8:
      return {maxX, minY};
    default:
      return {minX, minY};
  }
}

int WatermarkView::DropCellForPoint(QPointF p, double W, double H, QRectF* cell) {
  if (!(W > 0) || !(H > 0)) return -1;
  // A pointer beyond an edge counts as just inside it.
  const double x = p.x() < 0 ? 0.1 : p.x() > W ? W - 0.1 : p.x();
  const double y = p.y() < 0 ? 0.1 : p.y() > H ? H - 0.1 : p.y();
  if (!(x >= 0 && x <= W && y >= 0 && y <= H)) return -1;
  const double cw = W / 3.0;
  const double ch = H / 3.0;
  const int k = std::min(2, static_cast<int>(x / cw));
  const int r = 2 - std::min(2, static_cast<int>(y / ch));  // row 0 at the top
  if (cell) *cell = QRectF(k * cw, (2 - r) * ch, cw, ch);
  return 3 * r + k;
}

int WatermarkView::DrawBackgroundBox(QPainter* painter, QRectF* outSelectedRect) {
  const double W = width();
  const double H = height();
  // The pointer of the drag's last mouse event.
  if (!dragPointer_) return -1;
  QRectF cell;
  const int tag = DropCellForPoint(*dragPointer_, W, H, &cell);
  if (tag < 0) return -1;
  QPainterPath grid;
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 3; ++k) grid.addRect(QRectF(k * W / 3, (2 - r) * H / 3, W / 3, H / 3));
  }
  painter->save();
  painter->setBrush(kGridFill);
  painter->setPen(QPen(kGridStroke, 1.0));
  painter->drawPath(grid);
  painter->restore();
  painter->save();
  painter->setBrush(kCellFill);
  painter->setPen(QPen(kCellStroke, 1.0));
  painter->drawRect(cell);
  painter->restore();
  *outSelectedRect = cell;
  return tag;
}

void WatermarkView::drawHandleInView(QPainter* painter, QPointF point) {
  painter->drawEllipse(
      QRectF(point.x() - halfHandleSize_, point.y() - halfHandleSize_, handleSize_, handleSize_));
}

QRectF WatermarkView::DrawBoundingFrame(QPainter* painter, const QRectF& frame, double scale,
                                        int64_t angle, bool shouldDraw) {
  const QRectF inView(frame.x() * scale, frame.y() * scale, frame.width() * scale,
                      frame.height() * scale);
  if (!shouldDraw || !(frame.width() > 0) || !(frame.height() > 0)) return inView;
  painter->save();
  painter->setTransform(
      FrameTransform(frame.topLeft(), frame.size(), angle) * QTransform::fromScale(scale, scale),
      true);
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setBrush(Qt::NoBrush);
  painter->setPen(QPen(kFrameColor, 1.0 / scale));
  const double w = frame.width();
  const double h = frame.height();
  painter->drawRect(QRectF(0, 0, w, h));
  handleSize_ = 6.0 / scale;
  halfHandleSize_ = handleSize_ * 0.5;
  painter->setPen(Qt::NoPen);
  painter->setBrush(kHandleColor);
  for (const QPointF& p : {QPointF(0, 0), QPointF(w / 2, 0), QPointF(w, 0), QPointF(0, h / 2),
                           QPointF(w, h / 2), QPointF(0, h), QPointF(w / 2, h), QPointF(w, h)}) {
    drawHandleInView(painter, p);
  }
  painter->restore();
  return inView;
}

void WatermarkView::DrawLineFromAnchorPointToWatermarkFramePoistionPoint(
    QPainter* painter, const QRectF& cell, int tag, const QRectF& frame, double scale,
    int64_t angle, bool shouldDraw) {
  if (!shouldDraw || tag == -1 || !(frame.width() > 0) || !(frame.height() > 0) ||
      !(cell.width() > 0) || !(cell.height() > 0)) {
    return;
  }
  const QPointF start = GetSelectedBoxAnchorPointForPositionTag(tag, cell) / scale;
  const QPointF end = FrameTransform(frame.topLeft(), frame.size(), angle)
                          .map(GetSelectedBoxAnchorPointForPositionTag(
                              tag, QRectF(0, 0, frame.width(), frame.height())));
  painter->save();
  painter->setTransform(QTransform::fromScale(scale, scale), true);
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(QPen(kFrameColor, 1.0 / scale));
  painter->drawLine(start, end);
  painter->setPen(Qt::NoPen);
  painter->setBrush(kHandleColor);
  drawHandleInView(painter, start);
  drawHandleInView(painter, end);
  painter->restore();
}

void WatermarkView::drawImageWatermark(QPainter* painter, double W, double H, int dropTag,
                                       const QRectF& dropCell) {
  std::optional<ImageWatermarkOptions> record = model_.imageWatermarkOptions();
  if (!record) return;
  const double scale = std::max(W, H) / kWatermarkBaseSide;
  const QSizeF newBase(W / scale, H / scale);
  const QSizeF base = record->baseImageSize;
  const QRectF frame = DrawImageWatermark(painter, &*record, W, H);
  drawnLastPaint_.insert(kImageWatermarkSelectionIndex);
  model_.setImageWatermarkOffset(record->offset);
  model_.setBaseImageSizeForImageWatermark(newBase);
  if (BaseChanged(base, newBase) && host.selectedPhotoPresetTitle) {
    ReadWriteImageWatermarkNewBaseSizeAndOffset(model_, host.selectedPhotoPresetTitle());
  }
  const bool selected = model_.selectionIndexes().count(kImageWatermarkSelectionIndex) > 0;
  model_.setImageFrameRect(
      DrawBoundingFrame(painter, frame, scale, record->rotationAngle, selected));
  if (model_.graphicIsClicked() && !model_.selectionIndexes().empty()) {
    DrawLineFromAnchorPointToWatermarkFramePoistionPoint(painter, dropCell, dropTag, frame, scale,
                                                         record->rotationAngle, selected);
  }
}

void WatermarkView::drawTextWatermarks(QPainter* painter, double W, double H, int dropTag,
                                       const QRectF& dropCell) {
  const double scale = std::max(W, H) / kWatermarkBaseSide;
  const QSizeF newBase(W / scale, H / scale);
  const std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  const std::set<int64_t> selection = model_.selectionIndexes();
  bool needsWrite = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const WatermarkPresetRow& row = rows[i];
    if (!row.state || row.title.isEmpty()) continue;
    std::optional<QVariantMap> preset = model_.presetNamed(row.title);
    if (!preset) continue;
    // A preset the run would not export is not shown either.
    TextWatermarkOptions record;
    if (!TextWatermarkRecordFromPreset(*preset, &record)) continue;
    if (record.baseImageSize.width() <= 0 && record.baseImageSize.height() <= 0)
      record.baseImageSize = newBase;
    const QString text =
        host.textWatermarkFullString ? host.textWatermarkFullString(record.tokens) : QString();
    const QSizeF base = record.baseImageSize;
    const QRectF frame = DrawTextWatermark(painter, text, &record, true, W, H);
    drawnLastPaint_.insert(static_cast<int64_t>(i));
    if (BaseChanged(base, newBase)) {
      preset->insert(QString::fromLatin1(kTextWatermarkOffsetKey), StringFromPoint(record.offset));
      preset->insert(QString::fromLatin1(kBaseImageSizeForTextWatermarkKey),
                     StringFromSize(newBase));
      model_.setPresetNamed(row.title, *preset);
      if (!preset->value(QString::fromLatin1(kDirtyFlagKey)).toBool()) needsWrite = true;
    }
    const bool selected = selection.count(static_cast<int64_t>(i)) > 0;
    const QRectF inView = DrawBoundingFrame(painter, frame, scale, record.rotationAngle, selected);
    if (model_.graphicIsClicked() && !selection.empty()) {
      DrawLineFromAnchorPointToWatermarkFramePoistionPoint(painter, dropCell, dropTag, frame, scale,
                                                           record.rotationAngle, selected);
    }
    model_.setPresetRowFrameRect(static_cast<int64_t>(i), inView);
  }
  if (needsWrite) ReadWriteTextWatermarkNewBaseSizeAndOffset(model_);
}

void WatermarkView::paintEvent(QPaintEvent*) {
  drawnLastPaint_.clear();
  updateFrameRect();
  const double W = width();
  const double H = height();
  if (W <= 0 || H <= 0) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  // The one flip: everything below draws y-up, as the renderers and the stored frames are.
  painter.setTransform(YUpTransform(H));
  QRectF dropCell;
  int dropTag = -1;
  if (model_.graphicIsClicked() && !model_.selectionIndexes().empty())
    dropTag = DrawBackgroundBox(&painter, &dropCell);
  if (model_.ImageWatermarkFlag()) drawImageWatermark(&painter, W, H, dropTag, dropCell);
  if (model_.TextWatermarkFlag() && model_.presetRowCount() > 0)
    drawTextWatermarks(&painter, W, H, dropTag, dropCell);
  if (!model_.graphicIsClicked() && model_.isSelectionOnDrag() &&
      (model_.TextWatermarkFlag() || model_.ImageWatermarkFlag())) {
    painter.save();
    painter.setBrush(kBandFill);
    painter.setPen(QPen(kFrameColor, 1.0));
    painter.drawRect(model_.selectionRect());
    painter.restore();
  }
}

}  // namespace glimbrik
