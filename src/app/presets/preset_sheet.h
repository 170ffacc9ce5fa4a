#pragma once

#include <QComboBox>
#include <QDialog>
#include <QPushButton>

namespace glimbrik {

// The naming sheet of the presets: a window-modal dialog with an editable list of the stored
// names and the Save, Remove and Cancel buttons. It only reports the clicks; the controller
// decides, and closes it.
class PresetNameSheet : public QDialog {
  Q_OBJECT
 public:
  explicit PresetNameSheet(QWidget* window);

  QComboBox* PresetNameComboboxOutlet = nullptr;
  QPushButton* saveButton = nullptr;
  QPushButton* removeButton = nullptr;
  QPushButton* cancelButton = nullptr;

  // The list of names and the name proposed (or selected from the list).
  void setNames(const QStringList& names, const QString& proposal, int selected);
  QString name() const { return PresetNameComboboxOutlet->currentText(); }

 protected:
  // Escape is the Cancel button, so that the kind is cleared too.
  void reject() override;
};

}  // namespace glimbrik
