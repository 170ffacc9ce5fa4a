#include "app/presets/preset_sheet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "platform/store/localization.h"

namespace glimbrik {

PresetNameSheet::PresetNameSheet(QWidget* window) : QDialog(window) {
  setObjectName(QStringLiteral("AddPresetDialogOutlet"));
  setWindowModality(Qt::WindowModal);
  auto* layout = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* label = new QLabel(QStringLiteral("Preset name:"), this);
  PresetNameComboboxOutlet = new QComboBox(this);
  PresetNameComboboxOutlet->setObjectName(QStringLiteral("PresetNameComboboxOutlet"));
  PresetNameComboboxOutlet->setEditable(true);
  // A typed name is never added to the list by pressing Return.
  PresetNameComboboxOutlet->setInsertPolicy(QComboBox::NoInsert);
  PresetNameComboboxOutlet->setMinimumWidth(240);
  label->setBuddy(PresetNameComboboxOutlet);
  row->addWidget(label);
  row->addWidget(PresetNameComboboxOutlet, 1);
  layout->addLayout(row);

  auto* buttons = new QHBoxLayout;
  removeButton = new QPushButton(LocalizedString("RemoveButtonTitle"), this);
  removeButton->setObjectName(QStringLiteral("removePresetButton"));
  cancelButton = new QPushButton(LocalizedString("CancelTitle"), this);
  cancelButton->setObjectName(QStringLiteral("cancelPresetButton"));
  saveButton = new QPushButton(LocalizedString("SaveTitle"), this);
  saveButton->setObjectName(QStringLiteral("savePresetButton"));
  saveButton->setDefault(true);
  for (QPushButton* button : {removeButton, cancelButton, saveButton})
    button->setAutoDefault(button == saveButton);
  buttons->addWidget(removeButton);
  buttons->addStretch(1);
  buttons->addWidget(cancelButton);
  buttons->addWidget(saveButton);
  layout->addLayout(buttons);
}

void PresetNameSheet::setNames(const QStringList& names, const QString& proposal, int selected) {
  QComboBox* box = PresetNameComboboxOutlet;
  box->clear();
  box->addItems(names);
  if (selected >= 0 && selected < box->count()) {
    box->setCurrentIndex(selected);
  } else {
    box->setCurrentIndex(-1);
    box->setEditText(proposal);
  }
  box->lineEdit()->selectAll();
  box->setFocus();
}

void PresetNameSheet::reject() { cancelButton->click(); }

}  // namespace glimbrik
