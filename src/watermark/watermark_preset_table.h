#pragma once

// The text-watermark preset table: column 0 ticks a preset to be drawn and exported, column 1
// holds its title, with "✦" in front and in red while it has unsaved edits.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

namespace glimbrik {

class WatermarkView;

inline constexpr int kPresetStateColumn = 0;
inline constexpr int kPresetTitleColumn = 1;
// The table's tag: only an edit in it is validated as a preset title.
inline constexpr int kPresetTableTag = -999;

class WatermarkPresetTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit WatermarkPresetTableModel(WatermarkView* view);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The rows as the model holds them now.
  void reset();
  void rowsChanged(int first, int last);

 private:
  WatermarkView* view_;
  // The row count the table was last told of: rows change in the editor's model first.
  int count_ = 0;
};

// Ends a title edit only when the view agrees; otherwise the editor opens again on the typed
// text.
class WatermarkPresetTitleDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  WatermarkPresetTitleDelegate(WatermarkView* view, QObject* parent);
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 private:
  WatermarkView* view_;
};

}  // namespace glimbrik
