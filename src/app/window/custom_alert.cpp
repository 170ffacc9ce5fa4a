#include "app/window/custom_alert.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include "platform/store/localization.h"

namespace glimbrik {

namespace {

constexpr int kAlternateCode = 100;  // dialog result codes; 1 is Accepted
constexpr int kOtherCode = 101;

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

qint64 ResponseFor(int result) {
  if (result == QDialog::Accepted) return 1;
  if (result == kAlternateCode) return 0;
  return -1;
}

qint64 RunAlert(CustomAlert& alert, bool withView) {
  if (QThread::currentThread() == qApp->thread()) {
    withView ? alert.showModalSheetUsingAlert() : alert.showModalSheet();
  } else {
    QMetaObject::invokeMethod(
        qApp,
        [&alert, withView] {
          withView ? alert.showModalSheetUsingAlert() : alert.showModalSheet();
        },
        Qt::BlockingQueuedConnection);
  }
  return alert.responseCode;
}

}  // namespace

AlertDialog::AlertDialog(const QString& title, const QString& message, const QString& defaultButton,
                         const QString& alterButton, const QString& otherButton, QWidget* accessory,
                         QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CustomAlert"));
  auto* layout = new QVBoxLayout(this);
  QLabel* titleLabel = PlainLabel(title, this);
  titleLabel->setObjectName(QStringLiteral("alertTitle"));
  QFont bold = titleLabel->font();
  bold.setBold(true);
  titleLabel->setFont(bold);
  QLabel* messageLabel = PlainLabel(message, this);
  messageLabel->setObjectName(QStringLiteral("alertMessage"));
  layout->addWidget(titleLabel);
  layout->addWidget(messageLabel);
  if (accessory) {
    layout->addWidget(accessory);
    accessory->show();
  }
  auto* buttons = new QDialogButtonBox(this);
  const auto add = [&](const QString& text, const char* name, QDialogButtonBox::ButtonRole role,
                       int code) {
    QPushButton* button = buttons->addButton(text, role);
    button->setObjectName(QString::fromLatin1(name));
    connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
    return button;
  };
  QPushButton* primary = add(defaultButton.isNull() ? QStringLiteral("OK") : defaultButton,
                             "defaultButton", QDialogButtonBox::AcceptRole, QDialog::Accepted);
  primary->setDefault(true);
  if (!alterButton.isNull())
    add(alterButton, "alterButton", QDialogButtonBox::RejectRole, kAlternateCode);
  if (!otherButton.isNull())
    add(otherButton, "otherButton", QDialogButtonBox::DestructiveRole, kOtherCode);
  layout->addWidget(buttons);
  const auto isCancel = [](const QString& text) {
    return !text.isNull() && (text == LocalizedString("CancelTitle") ||
                              text.compare(QLatin1String("Cancel"), Qt::CaseInsensitive) == 0);
  };
  if (isCancel(alterButton)) {
    cancelCode_ = kAlternateCode;
  } else if (isCancel(otherButton)) {
    cancelCode_ = kOtherCode;
  }
}

void AlertDialog::reject() { done(cancelCode_); }

CustomAlert::CustomAlert(const QString& title, const QString& message, const QString& defaultButton,
                         const QString& alterButton, const QString& otherButton)
    : title(title.isNull() ? QStringLiteral("") : title),
      message(message.isNull() ? QStringLiteral("") : message),
      defaultButton(defaultButton),
      alterButton(alterButton),
      otherButton(otherButton) {}

void CustomAlert::showModalSheet() {
  QPointer<QWidget> accessory = view;
  view = nullptr;
  showModalSheetUsingAlert();
  view = accessory;
}

void CustomAlert::showModalSheetUsingAlert() {
  QWidget* parent = window ? window.data() : QApplication::activeWindow();
  QWidget* accessory = view.data();
  QWidget* formerParent = accessory ? accessory->parentWidget() : nullptr;
  AlertDialog dialog(title, message, defaultButton, alterButton, otherButton, accessory, parent);
  dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  responseCode = kResponseShowing;
  QEventLoop loop;
  QObject::connect(&dialog, &QDialog::finished, &loop, [this, &loop](int result) {
    responseCode = ResponseFor(result);
    loop.quit();
  });
  dialog.open();
  if (responseCode == kResponseShowing) loop.exec(QEventLoop::DialogExec);
  // Free the accessory for its next use before the dialog goes.
  if (accessory && view) {
    accessory->hide();
    accessory->setParent(formerParent);
  }
}

qint64 ShowCustomAlert(const QString& title, const QString& message, const QString& defaultButton,
                       const QString& alterButton, const QString& otherButton, QWidget* window) {
  CustomAlert alert(title, message, defaultButton, alterButton, otherButton);
  alert.window = window;
  return RunAlert(alert, false);
}

qint64 ShowCustomAlertWithView(const QString& title, const QString& message,
                               const QString& defaultButton, const QString& alterButton,
                               const QString& otherButton, QWidget* window, QWidget* view) {
  CustomAlert alert(title, message, defaultButton, alterButton, otherButton);
  alert.window = window;
  alert.view = view;
  return RunAlert(alert, true);
}

}  // namespace glimbrik
