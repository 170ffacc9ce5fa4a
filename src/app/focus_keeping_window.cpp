#include "app/focus_keeping_window.h"

#include <QApplication>
#include <QEvent>

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

QVXWindow::QVXWindow(QWidget* parent) : QMainWindow(parent) {
  if (qApp) InputWatcher::instance();
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
