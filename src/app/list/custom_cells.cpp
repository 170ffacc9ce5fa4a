#include "app/list/custom_cells.h"

namespace glimbrik {

QRect VerticallyCenteredTextFieldCell::CenteredRect(const QRect& frame, int height) {
  const QRect centred(frame.x(), frame.y() + (frame.height() - height) / 2, frame.width(), height);
  return centred.intersected(frame);
}

void VerticallyCenteredTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
  QStyleOptionViewItem centred = option;
  const int height = sizeHint(option, index).height();
  centred.rect = CenteredRect(option.rect, height);
  centred.displayAlignment =
      (option.displayAlignment & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter;
  QStyledItemDelegate::paint(painter, centred, index);
}

}  // namespace glimbrik
