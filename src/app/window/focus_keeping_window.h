#pragma once

#include <QMainWindow>
#include <QPointer>

#include "widgets/popover.h"

namespace glimbrik {

// The main window class. makeFirstResponder() moves the keyboard focus, except that a control of
// another window (a popover) inside a QVXFirstResponderStealingSuppressionView that asks for
// suppression does not take it while that window is not the one the user is working in, so that
// a token field keeps its focus while its formatter popover is open.
// When one of its dialogs or sheets closes, the window takes the keyboard back, so that its
// shortcuts work at once even where no window manager hands activation back.
class QVXWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit QVXWindow(QWidget* parent = nullptr);
  ~QVXWindow() override;

  // Returns whether the focus went to responder (or was cleared for none).
  bool makeFirstResponder(QWidget* responder);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void takeBackKeyboard();
  class InputWatcher;
};

}  // namespace glimbrik
