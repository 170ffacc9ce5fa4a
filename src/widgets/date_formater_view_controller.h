#pragma once

// The popover that sets a date or time token's format and letter case, or only the case of a
// text token. One shared instance serves every token field; its delegate gets the choice.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <cstdint>

class QComboBox;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QWidget;

namespace glimbrik {

class Popover;
class QVXDateFormaterViewController;
class QVXFirstResponderStealingSuppressionView;

class QVXDateFormaterViewControllerDelegate {
 public:
  virtual ~QVXDateFormaterViewControllerDelegate() = default;
  virtual void dateFormaterViewController(QVXDateFormaterViewController* controller,
                                          const QString& format, int64_t caseTag) = 0;
};

class QVXDateFormaterViewController : public QObject {
  Q_OBJECT
 public:
  // Made on first use; lives as long as the application.
  static QVXDateFormaterViewController* sharedDateFormaterViewController();

  // Each fills the controls and shows the popover below rect (in view's coordinates).
  void setDateFormat(const QString& format, int64_t caseTag, QWidget* view, const QRect& rect);
  void setTimeFormat(const QString& format, int64_t caseTag, QWidget* view, const QRect& rect,
                     bool forRename);
  // For tokens that have only a case.
  void setCase(int64_t caseTag, QWidget* view, const QRect& rect);

  // The apply button: the chosen pattern (without its example) and case go to the delegate.
  void applyDateTimeAction();
  void closePopover();
  // The popover, made when there is none.
  Popover* popover();
  bool isPopoverShown() const;

  QVXDateFormaterViewControllerDelegate* delegate() const { return delegate_; }
  void setDelegate(QVXDateFormaterViewControllerDelegate* delegate) { delegate_ = delegate; }

  QVXFirstResponderStealingSuppressionView* contentView() const { return contentView_; }
  QComboBox* changeCasePopupButton() const { return changeCasePopupButton_; }
  QLabel* dateTimeFormatLabelOutlet() const { return dateTimeFormatLabelOutlet_; }
  QComboBox* dateTimeFormatPopUpButtonOutlet() const { return dateTimeFormatPopUpButtonOutlet_; }
  QPushButton* applyButton() const { return applyButton_; }

 private:
  QVXDateFormaterViewController();
  void fillFormats(const QString& listName, const QString& format);
  void show(int64_t caseTag, bool withFormat, QWidget* view, const QRect& rect);
  void popoverDidClose();

  QVXDateFormaterViewControllerDelegate* delegate_ = nullptr;  // not owned
  QPointer<Popover> popover_;
  QVXFirstResponderStealingSuppressionView* contentView_;
  QComboBox* changeCasePopupButton_;
  QLabel* dateTimeFormatLabelOutlet_;
  QComboBox* dateTimeFormatPopUpButtonOutlet_;
  QWidget* formatRow_;
  QPushButton* applyButton_;
};

}  // namespace glimbrik
