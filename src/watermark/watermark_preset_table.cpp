#include "watermark/watermark_preset_table.h"

#include <QAbstractItemView>
#include <QColor>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

#include "watermark/watermark_view.h"

namespace glimbrik {

WatermarkPresetTableModel::WatermarkPresetTableModel(WatermarkView* view)
    : QAbstractTableModel(view),
      view_(view),
      count_(static_cast<int>(view->model().presetRowCount())) {}

int WatermarkPresetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

int WatermarkPresetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 2;
}

QVariant WatermarkPresetTableModel::data(const QModelIndex& index, int role) const {
  const WatermarkModel& model = view_->model();
  const std::optional<WatermarkPresetRow> row = model.presetRow(index.row());
  if (!row) return QVariant();
  if (index.column() == kPresetStateColumn) {
    if (role == Qt::CheckStateRole) return row->state ? Qt::Checked : Qt::Unchecked;
    return QVariant();
  }
  if (index.column() != kPresetTitleColumn) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return WatermarkView::DisplayTitle(row->title, model.isPresetDirty(row->title));
    case Qt::ForegroundRole: {
      if (!model.presetNamed(row->title) || !model.isPresetDirty(row->title)) return QVariant();
      const std::vector<int64_t> selected = model.presetTableSelectedRows();
      if (std::find(selected.begin(), selected.end(), index.row()) != selected.end())
        return QVariant();
      return QColor::fromRgbF(0.864f, 0.14f, 0.168f, 1.0f);
    }
    default:
      return QVariant();
  }
}

bool WatermarkPresetTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (index.column() == kPresetStateColumn && role == Qt::CheckStateRole) {
    view_->setPresetRowTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
  }
  if (index.column() == kPresetTitleColumn && role == Qt::EditRole) {
    view_->setPresetRowTitle(index.row(), value.toString());
    return true;
  }
  return false;
}

Qt::ItemFlags WatermarkPresetTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == kPresetStateColumn) flags |= Qt::ItemIsUserCheckable;
  if (index.column() == kPresetTitleColumn) flags |= Qt::ItemIsEditable;
  return flags;
}

void WatermarkPresetTableModel::reset() {
  beginResetModel();
  count_ = static_cast<int>(view_->model().presetRowCount());
  endResetModel();
}

void WatermarkPresetTableModel::rowsChanged(int first, int last) {
  last = std::min(last, count_ - 1);
  if (first > last || first < 0) return;
  emit dataChanged(index(first, 0), index(last, 1));
}

WatermarkPresetTitleDelegate::WatermarkPresetTitleDelegate(WatermarkView* view, QObject* parent)
    : QStyledItemDelegate(parent), view_(view) {}

void WatermarkPresetTitleDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                                const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  if (!line || index.column() != kPresetTitleColumn) {
    QStyledItemDelegate::setModelData(editor, model, index);
    return;
  }
  const QString typed = line->text();
  if (!view_->controlTextShouldEndEditing(index.row(), typed)) {
    // The cell stays in editing with what was typed.
    QPointer<QAbstractItemView> table = qobject_cast<QAbstractItemView*>(parent());
    const QPersistentModelIndex cell(index);
    QTimer::singleShot(0, table, [table, cell, typed] {
      if (!table || !cell.isValid()) return;
      table->edit(cell);
      if (auto* again = qobject_cast<QLineEdit*>(table->indexWidget(cell))) {
        again->setText(typed);
        again->selectAll();
      }
    });
    return;
  }
  model->setData(index, typed, Qt::EditRole);
}

}  // namespace glimbrik
