#include "widgets/date_formater_view_controller.h"

#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/store/localization.h"
#include "widgets/format_menu.h"
#include "widgets/popover.h"

namespace glimbrik {

QVXDateFormaterViewController* QVXDateFormaterViewController::sharedDateFormaterViewController() {
  // One instance for the application's life; its view is a top-level widget, which Qt never
  // tears down at exit either.
  static auto* shared = new QVXDateFormaterViewController;
  return shared;
}

QVXDateFormaterViewController::QVXDateFormaterViewController()
    : contentView_(new QVXFirstResponderStealingSuppressionView),
      changeCasePopupButton_(new QComboBox),
      dateTimeFormatLabelOutlet_(new QLabel(LocalizedString("Date format:"))),
      dateTimeFormatPopUpButtonOutlet_(new QComboBox),
      formatRow_(new QWidget),
      applyButton_(new QPushButton(LocalizedString("Apply"))) {
  contentView_->setObjectName(QStringLiteral("QVXDateFormaterViewController"));
  changeCasePopupButton_->setObjectName(QStringLiteral("changeCasePopupButton"));
  dateTimeFormatPopUpButtonOutlet_->setObjectName(
      QStringLiteral("dateTimeFormatPopUpButtonOutlet"));
  const std::pair<const char*, int> cases[] = {
      {"Original Case", 0}, {"lowercase", 1}, {"UPPERCASE", 2}, {"Capitalized", 3}};
  for (const auto& [title, tag] : cases)
    changeCasePopupButton_->addItem(LocalizedString(title), tag);

  auto* formatLayout = new QHBoxLayout(formatRow_);
  formatLayout->setContentsMargins(0, 0, 0, 0);
  formatLayout->addWidget(dateTimeFormatLabelOutlet_);
  formatLayout->addWidget(dateTimeFormatPopUpButtonOutlet_, 1);
  auto* caseRow = new QHBoxLayout;
  caseRow->addWidget(new QLabel(LocalizedString("Case:")));
  caseRow->addWidget(changeCasePopupButton_, 1);
  auto* layout = new QVBoxLayout(contentView_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(formatRow_);
  layout->addLayout(caseRow);
  layout->addWidget(applyButton_, 0, Qt::AlignRight);
  applyButton_->setDefault(true);
  connect(applyButton_, &QPushButton::clicked, this, [this] { applyDateTimeAction(); });
}

Popover* QVXDateFormaterViewController::popover() {
  if (!popover_) {
    popover_ = new Popover(contentView_);
    connect(popover_, &Popover::closed, this, [this] { popoverDidClose(); });
  }
  contentView_->setSuppressFirstResponderWhenPopoverShows(true);
  return popover_;
}

void QVXDateFormaterViewController::popoverDidClose() {
  popover_ = nullptr;
  contentView_->setSuppressFirstResponderWhenPopoverShows(false);
}

bool QVXDateFormaterViewController::isPopoverShown() const {
  return popover_ && popover_->isVisible();
}

void QVXDateFormaterViewController::closePopover() {
  if (isPopoverShown()) popover_->hide();
}

void QVXDateFormaterViewController::fillFormats(const QString& listName, const QString& format) {
  const std::optional<QVariant> list = ReadFormatList(listName);
  FillFormatPopup(
      dateTimeFormatPopUpButtonOutlet_,
      list ? BuildFormatMenu(*list, format, QDateTime::currentDateTime()) : FormatMenu{});
}

void QVXDateFormaterViewController::show(int64_t caseTag, bool withFormat, QWidget* view,
                                         const QRect& rect) {
  const int caseIndex = changeCasePopupButton_->findData(static_cast<int>(caseTag));
  changeCasePopupButton_->setCurrentIndex(caseIndex >= 0 ? caseIndex : 0);
  formatRow_->setVisible(withFormat);
  contentView_->adjustSize();
  popover()->showRelativeToRect(rect, view);
  changeCasePopupButton_->setFocus();
}

void QVXDateFormaterViewController::setDateFormat(const QString& format, int64_t caseTag,
                                                  QWidget* view, const QRect& rect) {
  fillFormats(QStringLiteral("dateformats"), format);
  dateTimeFormatLabelOutlet_->setText(LocalizedString("Date format:"));
  show(caseTag, true, view, rect);
}

void QVXDateFormaterViewController::setTimeFormat(const QString& format, int64_t caseTag,
                                                  QWidget* view, const QRect& rect,
                                                  bool forRename) {
  fillFormats(TimeFormatListName(forRename), format);
  dateTimeFormatLabelOutlet_->setText(LocalizedString("Time format:"));
  show(caseTag, true, view, rect);
}

void QVXDateFormaterViewController::setCase(int64_t caseTag, QWidget* view, const QRect& rect) {
  show(caseTag, false, view, rect);
}

void QVXDateFormaterViewController::applyDateTimeAction() {
  if (delegate_) {
    const QString pattern =
        dateTimeFormatPopUpButtonOutlet_->currentData(Qt::ToolTipRole).toString();
    delegate_->dateFormaterViewController(this, pattern,
                                          changeCasePopupButton_->currentData().toLongLong());
  }
  closePopover();
}

}  // namespace glimbrik
