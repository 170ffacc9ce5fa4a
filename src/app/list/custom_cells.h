#pragma once

#include <QListView>
#include <QRect>
#include <QStyledItemDelegate>

namespace glimbrik {

// Text drawn at the vertical middle of its cell, however tall the row.
class VerticallyCenteredTextFieldCell : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  // The part of frame, height tall, at its vertical middle (never outside frame).
  static QRect CenteredRect(const QRect& frame, int height);
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

// A list of cells that never scrolls by itself: selecting a cell leaves the view where it is.
class QVXUnscrollableMatrix : public QListView {
  Q_OBJECT
 public:
  using QListView::QListView;
  void scrollTo(const QModelIndex&, ScrollHint) override {}
};

}  // namespace glimbrik
