#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/store/bundle_resources.h"
#include "platform/store/localization.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_preset_table.h"
#include "watermark/watermark_presets.h"
#include "watermark/watermark_view.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

const QString kDirtyMark = QStringLiteral("\u2726");

QVariantMap WithDirtyFlag(QVariantMap preset, bool dirty) {
  preset.insert(Key(kDirtyFlagKey), dirty);
  return preset;
}

// The file as add, rename and save build on it. An unreadable file is rebuilt from the presets in
// memory without unsaved edits, so that one write never leaves a file of a single preset.
QVariantMap FileToBuildOn(const WatermarkModel& model) {
  QVariantMap file;
  if (ReadTextWatermarkPresetFile(&file)) return file;
  file.clear();
  const QVariantMap all = model.allPresetDictionary();
  for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
    const QVariantMap preset = it->toMap();
    if (!preset.value(Key(kDirtyFlagKey)).toBool()) file.insert(it.key(), preset);
  }
  return file;
}

int64_t RowOfTitle(const WatermarkModel& model, const QString& title) {
  const std::vector<WatermarkPresetRow> rows = model.waterMarkPresetArray();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].title == title) return static_cast<int64_t>(i);
  }
  return -1;
}

}  // namespace

QString WatermarkView::DisplayTitle(const QString& title, bool dirty) {
  return dirty ? kDirtyMark + title : title;
}

QWidget* WatermarkView::MakePresetTableControls() {
  auto* box = new QWidget;
  box->setObjectName(QStringLiteral("textWatermarkPresetBox"));
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  table_ = new QTableView(box);
  table_->setObjectName(QStringLiteral("waterMarkTableOutlet"));
  table_->setProperty("tag", kPresetTableTag);
  tableModel_ = new WatermarkPresetTableModel(this);
  table_->setModel(tableModel_);
  table_->setItemDelegate(new WatermarkPresetTitleDelegate(this, table_));
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  table_->horizontalHeader()->hide();
  table_->verticalHeader()->hide();
  table_->setShowGrid(false);
  table_->horizontalHeader()->setSectionResizeMode(kPresetStateColumn,
                                                   QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  table_->setMinimumHeight(4 * (table_->fontMetrics().height() + 6) + 4);
  table_->setMaximumHeight(6 * (table_->fontMetrics().height() + 6) + 4);
  layout->addWidget(table_);
  connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (!reloadingTable_) tableViewSelectionDidChange();
  });

  auto* buttons = new QHBoxLayout;
  auto button = [box](const char* name, const QString& text) {
    auto* b = new QPushButton(text, box);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
  };
  addButton_ = button("addPresetButton", QString());
  addButton_->setIcon(TemplateIcon(QStringLiteral("Add.pdf")));
  addButton_->setToolTip(QStringLiteral("Add"));
  removeButton_ = button("removePresetButton", QString());
  removeButton_->setIcon(TemplateIcon(QStringLiteral("Remove.pdf")));
  removeButton_->setToolTip(QStringLiteral("Remove"));
  saveButton_ = button("savePresetButton", QStringLiteral("Save"));
  revertButton_ = button("revertPresetButton", QStringLiteral("Revert"));
  buttons->addWidget(addButton_);
  buttons->addWidget(removeButton_);
  buttons->addStretch(1);
  buttons->addWidget(revertButton_);
  buttons->addWidget(saveButton_);
  layout->addLayout(buttons);
  connect(addButton_, &QPushButton::clicked, this, [this] { addToEndOfTable(); });
  connect(removeButton_, &QPushButton::clicked, this, [this] { removeCellAtSelectedRow(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveSelectedRow(); });
  connect(revertButton_, &QPushButton::clicked, this, [this] { RevertSelectedRow(); });
  EnableDisablePresetButtons(true);
  return box;
}

void WatermarkView::ResetTextWatermarkPresetsFromDatabase() {
  glimbrik::ResetTextWatermarkPresetsFromDatabase(model_);
  reloadPresetTable();
}

void WatermarkView::reloadPresetTable() {
  if (!tableModel_ || !table_) return;
  if (tableModel_->rowCount() == static_cast<int>(model_.presetRowCount()) &&
      tableModel_->rowCount() > 0 && !reloadingTable_) {
    // The rows stand: only their texts and ticks change, and the selection stays.
    tableModel_->rowsChanged(0, tableModel_->rowCount() - 1);
    return;
  }
  reloadingTable_ = true;
  tableModel_->reset();
  // The selection the model remembers, as far as the rows still reach.
  const int64_t count = model_.presetRowCount();
  std::vector<int64_t> kept;
  for (int64_t row : model_.presetTableSelectedRows()) {
    if (row < count) kept.push_back(row);
  }
  QItemSelection selection;
  for (int64_t row : kept) {
    selection.select(tableModel_->index(static_cast<int>(row), 0),
                     tableModel_->index(static_cast<int>(row), 1));
  }
  table_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  int64_t current = model_.presetTableSelectedRow();
  if (current >= count) current = kept.empty() ? -1 : kept.back();
  model_.setPresetTableSelection(kept, current);
  reloadingTable_ = false;
}

void WatermarkView::tableViewSelectionDidChange() {
  if (!table_) return;
  std::vector<int64_t> rows;
  for (const QModelIndex& index : table_->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  // Once a row is selected the table keeps one: the edits of the panel go to the selected
  // presets, and a click that would leave none (a toggled last row, empty space) changes nothing.
  const std::vector<int64_t> previous = model_.presetTableSelectedRows();
  if (rows.empty() && tableModel_ && tableModel_->rowCount() > 0 && !previous.empty()) {
    selectTableRows(previous, model_.presetTableSelectedRow());
    return;
  }
  // The most recently selected row: the current one while it is selected, else the last.
  int64_t selectedRow = -1;
  const QModelIndex current = table_->selectionModel()->currentIndex();
  if (current.isValid() && std::find(rows.begin(), rows.end(), current.row()) != rows.end()) {
    selectedRow = current.row();
  } else if (!rows.empty()) {
    selectedRow = rows.back();
  }
  model_.setPresetTableSelection(rows, selectedRow);
  if (!rows.empty()) {
    // The image watermark is no row: it stays selected.
    std::set<int64_t> ticked;
    if (model_.selectionIndexes().count(kImageWatermarkSelectionIndex))
      ticked.insert(kImageWatermarkSelectionIndex);
    for (int64_t row : rows) {
      const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
      if (entry && entry->state) ticked.insert(row);
    }
    model_.setSelectionIndexes(ticked);
    update();
  }
  if (tableModel_ && tableModel_->rowCount() > 0)
    tableModel_->rowsChanged(0, tableModel_->rowCount() - 1);
  if (selectedRow >= 0)
    ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(selectedRow);
  EnableDisableSaveButton(true);
}

void WatermarkView::SelectRowStartingAtRow(int64_t row) {
  const int64_t count = model_.presetRowCount();
  if (count == 0) return;
  row = std::clamp<int64_t>(row, 0, count - 1);
  if (!table_ || !tableModel_) {
    model_.setPresetTableSelection({row}, row);
    ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(row);
    return;
  }
  const QModelIndex index = tableModel_->index(static_cast<int>(row), kPresetTitleColumn);
  // The row's preset is loaded even when the row was selected already.
  const bool reloading = reloadingTable_;
  reloadingTable_ = true;
  table_->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  reloadingTable_ = reloading;
  table_->scrollTo(index);
  tableViewSelectionDidChange();
}

void WatermarkView::EnableDisablePresetButtons(bool enable) {
  if (enable) {
    if (addButton_) addButton_->setEnabled(true);
    if (removeButton_) {
      removeButton_->setEnabled(model_.presetRowCount() > 0 &&
                                !model_.presetTableSelectedRows().empty());
    }
    EnableDisableSaveButton(true);
  } else {
    if (removeButton_) removeButton_->setEnabled(false);
    if (addButton_) addButton_->setEnabled(false);
    EnableDisableSaveButton(false);
  }
}

void WatermarkView::EnableDisableSaveButton(bool enable) {
  const std::vector<int64_t> selected = model_.presetTableSelectedRows();
  bool dirty = false;
  if (enable && !selected.empty()) {
    for (int64_t row : selected) {
      const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
      if (entry && model_.isPresetDirty(entry->title)) dirty = true;
    }
    if (addButton_) addButton_->setEnabled(true);
  } else if (addButton_) {
    addButton_->setEnabled(enable);
  }
  if (saveButton_) saveButton_->setEnabled(dirty);
  if (revertButton_) revertButton_->setEnabled(dirty);
}

void WatermarkView::setObjectToSelectedPreset(const QVariant& value, const QString& key) {
  if (!model_.setObjectToSelectedPreset(value, key)) return;
  if (tableModel_) {
    for (int64_t row : model_.presetTableSelectedRows())
      tableModel_->rowsChanged(static_cast<int>(row), static_cast<int>(row));
  }
  EnableDisableSaveButton(true);
  if (host.changeGlobalPresetOption) host.changeGlobalPresetOption(this);
  update();
}

void WatermarkView::setPresetRowTicked(int64_t row, bool ticked) {
  if (!model_.presetRow(row)) return;
  model_.setPresetRowState(row, ticked);
  if (tableModel_) tableModel_->rowsChanged(static_cast<int>(row), static_cast<int>(row));
  update();
  if (host.changeGlobalPresetOption)
    host.changeGlobalPresetOption(table_ ? static_cast<QObject*>(table_.data()) : this);
}

bool WatermarkView::controlTextShouldEndEditing(int64_t row, const QString& typed) {
  const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
  if (!entry) return true;
  const QString old = entry->title;
  QString text = typed;
  if (model_.isPresetDirty(old) && text.startsWith(kDirtyMark)) text.remove(0, 1);
  const auto ask = [this](const QString& title, const QString& def, const QString& alt) {
    return host.showCustomAlert ? host.showCustomAlert(title, QString(), def, alt, QString()) : 1;
  };
  if (text.isEmpty()) {
    ask(LocalizedString("EmptyPresetAlertTitle"), LocalizedString("OkButtonString"), QString());
    return false;
  }
  if (text == old) return true;
  if (RowOfTitle(model_, text) < 0) return true;
  return ask(LocalizedString("PresetExistAlertMsg").arg(text),
             LocalizedString("ReplaceButtonTitle"), LocalizedString("CancelTitle")) == 1;
}

void WatermarkView::setPresetRowTitle(int64_t row, const QString& typed) {
  const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
  if (!entry) return;
  const QString old = entry->title;
  QString text = typed;
  if (model_.isPresetDirty(old)) {
    if (text.startsWith(kDirtyMark)) text.remove(0, 1);
    if (std::optional<QVariantMap> preset = model_.presetNamed(old))
      model_.setPresetNamed(old, WithDirtyFlag(*preset, false));
    EnableDisableSaveButton(table_ ? table_->isEnabled() : true);
  }
  if (text.isEmpty()) return;
  if (text == old) {
    UpdatePresetAction(old, old);
    if (tableModel_) tableModel_->rowsChanged(static_cast<int>(row), static_cast<int>(row));
    return;
  }
  bool replacedTicked = false;
  if (const int64_t existing = RowOfTitle(model_, text); existing >= 0) {
    replacedTicked = model_.presetRow(existing)->state;
    RemovePreset(text);
  }
  // The removal may have moved the edited row: it is found again by its title.
  const int64_t edited = RowOfTitle(model_, old);
  if (edited < 0) return;
  std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  rows[edited].title = text;
  model_.setWaterMarkPresetArray(rows);
  UpdatePresetAction(old, text);
  reloadPresetTable();
  if (model_.presetRowCount() > 0) SelectRowStartingAtRow(RowOfTitle(model_, text));
  if (replacedTicked) update();
}

void WatermarkView::UpdatePresetAction(const QString& oldTitle, const QString& newTitle) {
  if (newTitle.isEmpty()) return;
  QVariantMap file = FileToBuildOn(model_);
  qint64 index = file.size();
  if (file.contains(oldTitle))
    index = file.value(oldTitle).toMap().value(Key(kWaterMarkPresetIndexKey)).toLongLong();
  QVariantMap preset;
  GetTextWatermarkPreferenceValue(&preset);
  preset.insert(Key(kWaterMarkPresetIndexKey), index);
  file.insert(newTitle, preset);
  model_.setPresetNamed(newTitle, preset);
  if (newTitle != oldTitle) {
    file.remove(oldTitle);
    model_.removePresetNamed(oldTitle);
  }
  WriteTextWatermarkPresetFile(file);
}

void WatermarkView::addToEndOfTable() {
  const TokenArray tokens =
      controls.textFieldTokens ? controls.textFieldTokens() : model_.textStringTokens();
  QString name;
  for (const TokenElement& element : tokens) {
    if (const auto* text = std::get_if<QString>(&element)) {
      name += *text;
    } else if (const auto* token = std::get_if<QVXWatermarkTextToken>(&element)) {
      name += QStringLiteral("<%1>").arg(token->name());
    }
  }
  if (!name.isEmpty() && RowOfTitle(model_, name) >= 0) {
    for (long n = 1;; ++n) {
      const QString candidate = name + QStringLiteral(" New %1").arg(n);
      if (RowOfTitle(model_, candidate) < 0) {
        name = candidate;
        break;
      }
    }
  }
  AddPreset(name);
  reloadPresetTable();
  if (const int64_t count = model_.presetRowCount(); count > 0) {
    SelectRowStartingAtRow(count - 1);
    if (table_ && tableModel_) {
      table_->edit(tableModel_->index(static_cast<int>(count - 1), kPresetTitleColumn));
    }
  }
  EnableDisablePresetButtons(true);
}

void WatermarkView::AddPreset(const QString& title) {
  if (title.isEmpty()) return;
  QVariantMap preset;
  GetTextWatermarkPreferenceValue(&preset);
  preset.insert(Key(kDirtyFlagKey), false);
  preset.insert(Key(kWaterMarkPresetIndexKey), qint64(model_.presetRowCount()));
  model_.setPresetNamed(title, preset);

  QVariantMap file;
  if (ReadTextWatermarkPresetFile(&file)) {
    // The unsaved edits of the selected preset went into the new one: it returns to its saved
    // state, or goes when it was never saved.
    const std::optional<WatermarkPresetRow> selected =
        model_.presetRow(model_.presetTableSelectedRow());
    if (selected && selected->title != title) {
      const int64_t row = model_.presetTableSelectedRow();
      if (file.contains(selected->title)) {
        model_.setPresetNamed(selected->title,
                              WithDirtyFlag(file.value(selected->title).toMap(), false));
        model_.setPresetRowState(row, false);
        model_.setPresetRowFrameRect(row, std::nullopt);
      } else {
        std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
        rows.erase(rows.begin() + row);
        model_.setWaterMarkPresetArray(rows);
        model_.removePresetNamed(selected->title);
        model_.setPresetTableSelection({}, -1);
      }
    }
  } else {
    file = FileToBuildOn(model_);
  }
  file.insert(title, preset);
  WriteTextWatermarkPresetFile(file);

  std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  rows.push_back({title, true, std::nullopt});
  model_.setWaterMarkPresetArray(rows);
  update();
  if (host.changeGlobalPresetOption) host.changeGlobalPresetOption(this);
}

void WatermarkView::RemovePreset(const QString& title) {
  if (title.isEmpty()) return;
  QVariantMap file;
  if (!ReadTextWatermarkPresetFile(&file)) return;
  std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  const int64_t removed = RowOfTitle(model_, title);
  if (removed >= 0) rows.erase(rows.begin() + removed);
  file.remove(title);
  model_.removePresetNamed(title);
  // The rows that stay are numbered by their places; only the index of a preset changes, its
  // unsaved edits stay.
  const QString index = Key(kWaterMarkPresetIndexKey);
  for (size_t j = 0; j < rows.size(); ++j) {
    const QString& other = rows[j].title;
    if (file.contains(other)) {
      QVariantMap stored = file.value(other).toMap();
      stored.insert(index, qint64(j));
      file.insert(other, stored);
    }
    if (std::optional<QVariantMap> working = model_.presetNamed(other)) {
      working->insert(index, qint64(j));
      model_.setPresetNamed(other, *working);
    }
  }
  model_.setWaterMarkPresetArray(rows);
  // The table's remembered selection loses the row and follows the rows that moved up.
  if (removed >= 0) {
    std::vector<int64_t> selected;
    for (int64_t row : model_.presetTableSelectedRows()) {
      if (row != removed) selected.push_back(row > removed ? row - 1 : row);
    }
    int64_t current = model_.presetTableSelectedRow();
    current = current == removed ? -1 : current > removed ? current - 1 : current;
    model_.setPresetTableSelection(selected, current);
  }
  WriteTextWatermarkPresetFile(file);
  if (removed >= 0 && host.UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex)
    host.UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex(removed);
}

void WatermarkView::removeCellAtSelectedRow() {
  const std::vector<int64_t> selected = model_.presetTableSelectedRows();
  if (selected.empty()) return;
  QString title;
  if (selected.size() == 1) {
    const std::optional<WatermarkPresetRow> entry = model_.presetRow(selected.front());
    title = LocalizedString("RemovePresetAlertMsg").arg(entry ? entry->title : QString());
  } else {
    title = LocalizedString("RemoveManyPresetAlertMsg");
  }
  const qint64 answer = host.showCustomAlert
                            ? host.showCustomAlert(title, QString(), LocalizedString("DeleteTitle"),
                                                   LocalizedString("CancelTitle"), QString())
                            : 1;
  if (answer != 1) return;
  bool anyTicked = false;
  QStringList titles;
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    const std::optional<WatermarkPresetRow> entry = model_.presetRow(*it);
    if (!entry) continue;
    anyTicked = anyTicked || entry->state;
    titles << entry->title;
  }
  for (const QString& t : titles) RemovePreset(t);
  model_.setPresetTableSelection({}, -1);
  reloadPresetTable();
  if (model_.presetRowCount() > 0) SelectRowStartingAtRow(selected.front());
  EnableDisablePresetButtons(true);
  if (anyTicked) {
    update();
    if (host.changeGlobalPresetOption) host.changeGlobalPresetOption(this);
  }
}

namespace {

// The rows' working copies, clean, into the file.
void SaveRows(WatermarkModel& model, const std::vector<int64_t>& rows) {
  QVariantMap file = FileToBuildOn(model);
  bool any = false;
  for (int64_t row : rows) {
    const std::optional<WatermarkPresetRow> entry = model.presetRow(row);
    if (!entry) continue;
    const std::optional<QVariantMap> preset = model.presetNamed(entry->title);
    if (!preset) continue;
    const QVariantMap clean = WithDirtyFlag(*preset, false);
    model.setPresetNamed(entry->title, clean);
    file.insert(entry->title, clean);
    any = true;
  }
  if (any) WriteTextWatermarkPresetFile(file);
}

}  // namespace

void WatermarkView::SaveSelectedRow() {
  SaveRows(model_, model_.presetTableSelectedRows());
  reloadPresetTable();
  EnableDisableSaveButton(true);
}

void WatermarkView::SaveModifiedTextWatermarkPresetOfIndexes(const std::vector<int64_t>& rows) {
  bool dirty = false;
  for (int64_t row : rows) {
    const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
    dirty = dirty || (entry && model_.isPresetDirty(entry->title));
  }
  if (!dirty) return;
  SaveRows(model_, rows);
  reloadPresetTable();
  EnableDisableSaveButton(true);
}

void WatermarkView::RevertSelectedRow() {
  const std::vector<int64_t> selected = model_.presetTableSelectedRows();
  if (selected.empty()) return;
  QVariantMap file;
  if (ReadTextWatermarkPresetFile(&file)) {
    for (int64_t row : selected) {
      const std::optional<WatermarkPresetRow> entry = model_.presetRow(row);
      if (!entry || !file.contains(entry->title)) continue;
      model_.setPresetNamed(entry->title, WithDirtyFlag(file.value(entry->title).toMap(), false));
    }
    if (const int64_t row = model_.presetTableSelectedRow(); row >= 0) {
      ChangeAndSetTextWaterMarkPrefOptions(row);
      AssignTextWaterMarkValuesToControl();
    }
    reloadPresetTable();
    update();
    if (host.changeGlobalPresetOption) host.changeGlobalPresetOption(this);
  }
  EnableDisableSaveButton(true);
}

bool WatermarkView::CheckAndSetModifiedPresetRow() {
  const std::vector<WatermarkPresetRow> rows = model_.waterMarkPresetArray();
  bool dirty = false;
  for (const WatermarkPresetRow& row : rows) dirty = dirty || model_.isPresetDirty(row.title);
  if (rows.empty() || !dirty) return true;
  const qint64 answer =
      host.showCustomAlert
          ? host.showCustomAlert(LocalizedString("ModifyPresetAlertMsg"),
                                 LocalizedString("ModifyPresetAlertMsg1"),
                                 LocalizedString("SaveTitle"), LocalizedString("DontSaveTitle"),
                                 LocalizedString("CancelTitle"))
          : 1;
  if (answer == -1) return false;
  if (answer == 1) {
    for (const WatermarkPresetRow& row : rows) {
      if (std::optional<QVariantMap> preset = model_.presetNamed(row.title))
        model_.setPresetNamed(row.title, WithDirtyFlag(*preset, false));
    }
    WriteTextWatermarkPresetFile(model_.allPresetDictionary());
    reloadPresetTable();
  }
  return true;
}

}  // namespace glimbrik
