#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace glimbrik {

// The dialog of an alert: bold title, informative text, an optional accessory view and up to
// three buttons. Texts are always plain text.
class AlertDialog : public QDialog {
  Q_OBJECT
 public:
  AlertDialog(const QString& title, const QString& message, const QString& defaultButton,
              const QString& alterButton, const QString& otherButton, QWidget* accessory,
              QWidget* parent);

  // Escape and the window's close button: the Cancel button's answer when there is one, else
  // the default button's; never an answer of its own that a caller could take for "go on".
  void reject() override;

 private:
  int cancelCode_ = QDialog::Accepted;
};

// A question to the user shown as a window-modal sheet on the GUI thread; the caller gets the
// pressed button once the sheet has ended: 1 default, 0 alternate, -1 other.
class CustomAlert {
 public:
  static constexpr qint64 kResponseShowing = 2147483647;

  CustomAlert() = default;
  CustomAlert(const QString& title, const QString& message, const QString& defaultButton,
              const QString& alterButton, const QString& otherButton);

  // GUI thread only. The first shows the alert's texts and buttons, the second also the accessory
  // view, which is handed back to its former parent (hidden) when the alert ends.
  void showModalSheet();
  void showModalSheetUsingAlert();

  QString title;
  QString message;
  QString defaultButton;  // null: no such button (the default one falls back to "OK")
  QString alterButton;
  QString otherButton;
  quint64 alertStyle = 0;
  QPointer<QWidget> window;
  QPointer<QWidget> view;
  qint64 responseCode = -1;
};

// From any thread; a worker blocks until the sheet has ended. A null window means the active one.
qint64 ShowCustomAlert(const QString& title, const QString& message, const QString& defaultButton,
                       const QString& alterButton, const QString& otherButton, QWidget* window);
qint64 ShowCustomAlertWithView(const QString& title, const QString& message,
                               const QString& defaultButton, const QString& alterButton,
                               const QString& otherButton, QWidget* window, QWidget* view);

}  // namespace glimbrik
