#pragma once

// The popover that sets an index-number token's start number and digit count. One shared
// instance serves every token field; its delegate gets the choice.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <cstdint>

class QLineEdit;
class QPushButton;
class QWidget;

namespace glimbrik {

class Popover;
class QVXIndexNumberFormaterViewController;
class QVXFirstResponderStealingSuppressionView;
class QVXStepper;

class QVXIndexNumberFormaterViewControllerDelegate {
 public:
  virtual ~QVXIndexNumberFormaterViewControllerDelegate() = default;
  virtual void indexNumberFormaterViewController(QVXIndexNumberFormaterViewController* controller,
                                                 int64_t startIndex, int64_t numberLength) = 0;
};

class QVXIndexNumberFormaterViewController : public QObject {
  Q_OBJECT
 public:
  // The largest digit count and start number the fields take.
  static constexpr int kMaxNumberLength = 9;
  static constexpr int kMaxStartDigit = 2147483647;

  // Made on first use; lives as long as the application.
  static QVXIndexNumberFormaterViewController* sharedIndexNumberFormaterViewController();

  // Fills the fields and steppers and shows the popover below rect (in view's coordinates).
  void setStartDigit(int64_t startDigit, int64_t numberLength, QWidget* view, const QRect& rect);
  // The apply button: the steppers' values go to the delegate.
  void applyIndexNumberAction();
  void NumberLengthStepperControlDidChange();
  void StartDigitStepperControlDidChange();
  // A typed value over a field's limit is replaced by its stepper's value; an empty field
  // changes nothing.
  void controlTextDidChange(QLineEdit* field);
  void closePopover();
  Popover* popover();
  bool isPopoverShown() const;

  QVXIndexNumberFormaterViewControllerDelegate* delegate() const { return delegate_; }
  void setDelegate(QVXIndexNumberFormaterViewControllerDelegate* delegate) { delegate_ = delegate; }

  QVXFirstResponderStealingSuppressionView* contentView() const { return contentView_; }
  QLineEdit* numberLengthNumberField() const { return numberLengthNumberField_; }
  QVXStepper* numberLengthStepper() const { return numberLengthStepper_; }
  QLineEdit* startDigitNumberField() const { return startDigitNumberField_; }
  QVXStepper* startDigitStepper() const { return startDigitStepper_; }
  QPushButton* applyButton() const { return applyButton_; }

 private:
  QVXIndexNumberFormaterViewController();
  void popoverDidClose();

  QVXIndexNumberFormaterViewControllerDelegate* delegate_ = nullptr;  // not owned
  QPointer<Popover> popover_;
  QVXFirstResponderStealingSuppressionView* contentView_;
  QLineEdit* numberLengthNumberField_;
  QVXStepper* numberLengthStepper_;
  QLineEdit* startDigitNumberField_;
  QVXStepper* startDigitStepper_;
  QPushButton* applyButton_;
};

}  // namespace glimbrik
