#include "app/window/focus_keeping_window.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace glimbrik {

// Remembers the window of the input event being delivered, which stands for the "current
// event" of the focus rule.
class QVXWindow::InputWatcher : public QObject {
 public:
  static InputWatcher& instance() {
    static InputWatcher* watcher = [] {
      auto* w = new InputWatcher;
      w->setParent(qApp);
      qApp->installEventFilter(w);
      return w;
    }();
    return *watcher;
  }
  QPointer<QWidget> window;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        if (auto* widget = qobject_cast<QWidget*>(watched)) window = widget->window();
        break;
      default:
        break;
    }
    return false;
  }
};

namespace {
// A modal asks for activation as it shows, and under X11 the request waits for the window
// manager's map; hidden before that, the late map makes Qt take it for the active window while the
// keyboard stays with ours. Its native window, never on screen, goes and takes the request along.
void ForgetPendingActivation(QDialog* dialog) {
  QWindow* handle = dialog->windowHandle();
  if (handle && handle->handle() && !handle->isExposed()) handle->destroy();
}
}  // namespace

QVXWindow::QVXWindow(QWidget* parent) : QMainWindow(parent) {
  if (!qApp) return;
  InputWatcher::instance();
  qApp->installEventFilter(this);
}

bool QVXWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Hide && watched->isWidgetType()) {
    auto* dialog = qobject_cast<QDialog*>(watched);
    // Its own sheets and dialogs, and the free-standing panels (About).
    if (dialog && dialog->isWindow() &&
        (!dialog->parentWidget() || dialog->parentWidget()->window() == this)) {
      ForgetPendingActivation(dialog);
      // The dialog is still the active window while it hides.
      QTimer::singleShot(0, this, &QVXWindow::takeBackKeyboard);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void QVXWindow::takeBackKeyboard() {
  if (!isVisible() || QApplication::activeModalWidget() || QApplication::activePopupWidget())
    return;
  QWidget* active = QApplication::activeWindow();
  // Another window the user went to keeps the keyboard.
  if (active && active != this && active->isVisible()) return;
  activateWindow();
}

QVXWindow::~QVXWindow() = default;

namespace {
bool GiveFocus(QWidget* responder) {
  if (responder) {
    responder->setFocus(Qt::OtherFocusReason);
  } else if (QWidget* focus = QApplication::focusWidget()) {
    focus->clearFocus();
  }
  return true;
}
}  // namespace

bool QVXWindow::makeFirstResponder(QWidget* responder) {
  QWidget* current = QApplication::focusWidget();
  if (!responder || responder == current) return GiveFocus(responder);
  QWidget* target = responder->window();
  QWidget* focusWindow = current ? current->window() : QApplication::activeWindow();
  if (target == window() || target == focusWindow) return GiveFocus(responder);
  if (target == InputWatcher::instance().window) return GiveFocus(responder);
  for (QWidget* view = responder; view; view = view->parentWidget()) {
    auto* content = qobject_cast<QVXFirstResponderStealingSuppressionView*>(view);
    if (content && content->suppressFirstResponderWhenPopoverShows()) return false;
  }
  return GiveFocus(responder);
}

}  // namespace glimbrik
