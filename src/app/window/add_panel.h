#pragma once

#include <QFileDialog>
#include <QPointer>

namespace glimbrik {

// The Add panel: files and folders, several at once, with an accessory view below the list.
// The accessory goes back to its former parent when the panel goes.
class AddPanel : public QFileDialog {
  Q_OBJECT
 public:
  AddPanel(QWidget* parent, QWidget* accessory);
  ~AddPanel() override;

  QStringList chosenPaths() const { return chosen_; }

 public slots:
  // Takes the selection as it is, folders included, instead of opening a chosen folder.
  void accept() override;

 private:
  QWidget* accessory_;
  // Gone when the window that held it goes first, as at quitting with the panel open.
  QPointer<QWidget> accessoryParent_;
  QStringList chosen_;
};

}  // namespace glimbrik
