#include "widgets/index_number_formater_view_controller.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "platform/store/localization.h"
#include "widgets/popover.h"

namespace glimbrik {

namespace {
QLineEdit* NumberField(const char* name) {
  auto* field = new QLineEdit;
  field->setObjectName(QString::fromLatin1(name));
  // Digits only: the fields' lower limit is zero.
  field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  field->setAlignment(Qt::AlignRight);
  return field;
}
}  // namespace

QVXIndexNumberFormaterViewController*
QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController() {
  // One instance for the application's life; its view is a top-level widget, which Qt never
  // tears down at exit either.
  static auto* shared = new QVXIndexNumberFormaterViewController;
  return shared;
}

QVXIndexNumberFormaterViewController::QVXIndexNumberFormaterViewController()
    : contentView_(new QVXFirstResponderStealingSuppressionView),
      numberLengthNumberField_(NumberField("numberLengthNumberField")),
      numberLengthStepper_(new QVXStepper(0, kMaxNumberLength)),
      startDigitNumberField_(NumberField("startDigitNumberField")),
      startDigitStepper_(new QVXStepper(0, kMaxStartDigit)),
      applyButton_(new QPushButton(LocalizedString("Apply"))) {
  contentView_->setObjectName(QStringLiteral("QVXIndexNumberFormaterViewController"));
  auto* layout = new QGridLayout(contentView_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(LocalizedString("Start number:")), 0, 0);
  layout->addWidget(startDigitNumberField_, 0, 1);
  layout->addWidget(startDigitStepper_, 0, 2);
  layout->addWidget(new QLabel(LocalizedString("Number of digits:")), 1, 0);
  layout->addWidget(numberLengthNumberField_, 1, 1);
  layout->addWidget(numberLengthStepper_, 1, 2);
  layout->addWidget(applyButton_, 2, 0, 1, 3, Qt::AlignRight);
  applyButton_->setDefault(true);

  connect(applyButton_, &QPushButton::clicked, this, [this] { applyIndexNumberAction(); });
  connect(numberLengthStepper_, &QVXStepper::valueChanged, this,
          [this] { NumberLengthStepperControlDidChange(); });
  connect(startDigitStepper_, &QVXStepper::valueChanged, this,
          [this] { StartDigitStepperControlDidChange(); });
  for (QLineEdit* field : {numberLengthNumberField_, startDigitNumberField_}) {
    connect(field, &QLineEdit::textEdited, this, [this, field] { controlTextDidChange(field); });
    connect(field, &QLineEdit::returnPressed, this, [this] { applyIndexNumberAction(); });
  }
}

Popover* QVXIndexNumberFormaterViewController::popover() {
  if (!popover_) {
    popover_ = new Popover(contentView_);
    connect(popover_, &Popover::closed, this, [this] { popoverDidClose(); });
  }
  contentView_->setSuppressFirstResponderWhenPopoverShows(true);
  return popover_;
}

void QVXIndexNumberFormaterViewController::popoverDidClose() {
  popover_ = nullptr;
  contentView_->setSuppressFirstResponderWhenPopoverShows(false);
}

bool QVXIndexNumberFormaterViewController::isPopoverShown() const {
  return popover_ && popover_->isVisible();
}

void QVXIndexNumberFormaterViewController::closePopover() {
  if (isPopoverShown()) popover_->hide();
}

void QVXIndexNumberFormaterViewController::setStartDigit(int64_t startDigit, int64_t numberLength,
                                                         QWidget* view, const QRect& rect) {
  startDigitStepper_->setValue(
      static_cast<int>(std::clamp<int64_t>(startDigit, 0, kMaxStartDigit)));
  startDigitNumberField_->setText(QString::number(startDigitStepper_->value()));
  numberLengthStepper_->setValue(
      static_cast<int>(std::clamp<int64_t>(numberLength, 0, kMaxNumberLength)));
  numberLengthNumberField_->setText(QString::number(numberLengthStepper_->value()));
  contentView_->adjustSize();
  popover()->showRelativeToRect(rect, view);
  startDigitNumberField_->setFocus();
  startDigitNumberField_->selectAll();
}

void QVXIndexNumberFormaterViewController::applyIndexNumberAction() {
  if (delegate_) {
    delegate_->indexNumberFormaterViewController(this, startDigitStepper_->value(),
                                                 numberLengthStepper_->value());
  }
  closePopover();
}

void QVXIndexNumberFormaterViewController::NumberLengthStepperControlDidChange() {
  numberLengthNumberField_->setText(QString::number(numberLengthStepper_->value()));
}

void QVXIndexNumberFormaterViewController::StartDigitStepperControlDidChange() {
  startDigitNumberField_->setText(QString::number(startDigitStepper_->value()));
}

void QVXIndexNumberFormaterViewController::controlTextDidChange(QLineEdit* field) {
  QVXStepper* stepper = field == numberLengthNumberField_ ? numberLengthStepper_
                        : field == startDigitNumberField_ ? startDigitStepper_
                                                          : nullptr;
  if (!stepper || field->text().isEmpty()) return;
  bool ok = false;
  const qint64 value = field->text().toLongLong(&ok);
  if (ok && value <= stepper->maximum()) {
    stepper->setValue(static_cast<int>(value));
  } else {
    field->setText(QString::number(stepper->value()));
  }
}

}  // namespace glimbrik
