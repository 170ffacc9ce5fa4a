#pragma once

// The pieces the token popovers are made of: the popup that holds a controller's content, the
// content view that asks the main window not to move the keyboard focus while it is shown, and
// a stepper (a pair of arrow buttons that step a bounded number).

#include <QFrame>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace glimbrik {

class QVXFirstResponderStealingSuppressionView : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  ~QVXFirstResponderStealingSuppressionView() override;
  void setSuppressFirstResponderWhenPopoverShows(bool suppress);
  bool suppressFirstResponderWhenPopoverShows() const { return suppress_; }
  // Whether any such view asks now; the main window keeps its focus widget while it does.
  static bool IsFirstResponderStealingSuppressed();

 private:
  bool suppress_ = false;
};

// A transient popup (it closes when the user clicks elsewhere) shown next to a rectangle.
class Popover : public QFrame {
  Q_OBJECT
 public:
  explicit Popover(QWidget* content);
  // Below the rectangle (in view's coordinates), kept on the view's screen.
  void showRelativeToRect(const QRect& rect, QWidget* view);
  QWidget* content() const { return content_; }

 signals:
  void closed();

 protected:
  void hideEvent(QHideEvent* event) override;
  // Escape closes; Return presses the content's default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPointer<QWidget> content_;
};

class QVXStepper : public QWidget {
  Q_OBJECT
 public:
  QVXStepper(int minimum, int maximum, QWidget* parent = nullptr);
  int value() const { return value_; }
  void setValue(int value);  // held to the limits; no signal
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }
  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 signals:
  // A step by the user.
  void valueChanged(int value);

 private:
  void step(int delta);

  int minimum_;
  int maximum_;
  int value_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace glimbrik
