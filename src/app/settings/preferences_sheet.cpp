#include "app/settings/preferences_sheet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/store/localization.h"

namespace glimbrik {

PreferencesSheet::PreferencesSheet(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("preferencesDialog"));
  setWindowTitle(QStringLiteral("Preferences"));
  setWindowModality(Qt::WindowModal);
  setMinimumWidth(520);
  auto* outer = new QVBoxLayout(this);
  preferencesMainSubview = new QWidget(this);
  preferencesMainSubview->setObjectName(QStringLiteral("preferencesMainSubview"));
  layout_ = new QVBoxLayout(preferencesMainSubview);
  layout_->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(preferencesMainSubview);
  okButton = new QPushButton(LocalizedString("OkButtonString"), this);
  okButton->setObjectName(QStringLiteral("preferencesOkButton"));
  okButton->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton);
  outer->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

void PreferencesSheet::adoptViews(QWidget* destinationOptions, QCheckBox* alertBox,
                                  QCheckBox* pngNoteBox) {
  alertBox->setText(LocalizedString("DoNotShowAlertCheckBoxTitle1"));
  pngNoteBox->setText(LocalizedString("DoNotShowPNGOptimAlertCheckBoxTitle"));
  int at = 0;
  for (QWidget* view :
       {destinationOptions, static_cast<QWidget*>(alertBox), static_cast<QWidget*>(pngNoteBox)}) {
    layout_->removeWidget(view);
    layout_->insertWidget(at++, view);  // takes the view back from whoever borrowed it
    view->show();
  }
}

}  // namespace glimbrik
