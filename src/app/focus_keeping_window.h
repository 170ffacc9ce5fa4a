#pragma once

#include <QMainWindow>
#include <QPointer>

namespace glimbrik {

// A view that may ask the window below a popover not to hand the keyboard focus to it (or to
// its subviews) while the popover is open.
class QVXFirstResponderStealingSuppressionDelegate {
 public:
  virtual ~QVXFirstResponderStealingSuppressionDelegate() = default;
  virtual bool suppressFirstResponderWhenPopoverShows() const = 0;
  virtual void setSuppressFirstResponderWhenPopoverShows(bool suppress) = 0;
};

// The usual such view: the content view of a formatter popover, which raises the flag while its
// popover is asked for and lowers it when the popover closes.
class QVXFirstResponderStealingSuppressionView
    : public QWidget,
      public QVXFirstResponderStealingSuppressionDelegate {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  bool suppressFirstResponderWhenPopoverShows() const override { return suppress_; }
  void setSuppressFirstResponderWhenPopoverShows(bool suppress) override { suppress_ = suppress; }

 private:
  bool suppress_ = false;
};

// The main window class. makeFirstResponder() moves the keyboard focus, except that a control of
// another window (a popover) whose view asks for suppression does not take it while that window
// is not the one the user is working in, so that a token field keeps its focus while its
// formatter popover is open.
class QVXWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit QVXWindow(QWidget* parent = nullptr);
  ~QVXWindow() override;

  // Returns whether the focus went to responder (or was cleared for none).
  bool makeFirstResponder(QWidget* responder);

 private:
  class InputWatcher;
};

}  // namespace glimbrik
