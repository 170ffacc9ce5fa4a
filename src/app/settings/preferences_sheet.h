#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QVBoxLayout;

namespace glimbrik {

// The preferences sheet: the destination controls and the two do-not-show boxes, with OK.
// Those views also serve the destination panel of a run and the alerts, which borrow them, so
// they are moved back in each time the sheet opens.
class PreferencesSheet : public QDialog {
  Q_OBJECT
 public:
  explicit PreferencesSheet(QWidget* parent);

  void adoptViews(QWidget* destinationOptions, QCheckBox* alertBox, QCheckBox* pngNoteBox);

  QWidget* preferencesMainSubview = nullptr;
  QPushButton* okButton = nullptr;

 private:
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace glimbrik
