#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>

#include "app/delegate/app_delegate.h"
#include "app/settings/about_panel.h"
#include "app/settings/app_store_rating.h"
#include "app/settings/preferences_sheet.h"
#include "app/window/desktop_open.h"
#include "app/window/drop_targets.h"
#include "platform/store/bundle.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {
// The folder-setting number of the destination folder's drop box.
constexpr int kDestinationBoxType = 1;
}  // namespace

void AppDelegate::connectPeripheryControls() {
  MainWindow& w = *window_;
  OptionPanels& p = w.panels;
  if (!openWithDesktop) openWithDesktop = OpenWithDesktop;
  connect(w.preferencesToolbarItem, &QAction::triggered, this, &AppDelegate::PreferencesAction);
  connect(w.helpToolbarItem, &QAction::triggered, this, &AppDelegate::UserManualHelpAction);
  connect(w.contactSupportAction, &QAction::triggered, this, &AppDelegate::ContactSupportAction);
  connect(w.aboutAction, &QAction::triggered, this, &AppDelegate::AboutAction);
  connect(w.rateToolbarItem, &QAction::triggered, this, [this] {
    rateApplicationObject_->RateApplicationAction(
        [this](const QUrl& url) { return OpenOrSayWhy(openWithDesktop, url, window_); });
  });
  connect(p.selectDestinationButton, &QPushButton::clicked, this,
          &AppDelegate::SelectDestinationFolder);
  connect(p.openDestinationButton, &QPushButton::clicked, this,
          &AppDelegate::OpenDestinationFolder);
  connect(p.destinationPathViewCntr, &DragAndDropCommonFolderController::folderDropped, this,
          &AppDelegate::WatchFolderPathChangeAction);
}

void AppDelegate::PreferencesAction() {
  if (!preferencesDialog_) {
    preferencesDialog_ = new PreferencesSheet(window_);
    connect(preferencesDialog_, &QDialog::accepted, this, &AppDelegate::PreferencesOkAction);
  }
  OptionPanels& p = panels();
  preferencesDialog_->adoptViews(p.destinationOptionAccessaryView, p.doNotShowAlertCheckBox,
                                 p.doNotShowPNGOptimizationAlertCheckBox);
  preferencesDialog_->open();
}

void AppDelegate::PreferencesOkAction() {
  if (preferencesDialog_) preferencesDialog_->hide();
}

void AppDelegate::SelectDestinationFolder() {
  QWidget* parent = preferencesDialog_ && preferencesDialog_->isVisible()
                        ? static_cast<QWidget*>(preferencesDialog_)
                        : window_;
  auto* dialog = new QFileDialog(parent, LocalizedString("OpenDestinationDialogTitle"));
  dialog->setObjectName(QStringLiteral("destinationFolderPanel"));
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setLabelText(QFileDialog::Accept, LocalizedString("OpenDialogButton"));
  dialog->setWindowModality(Qt::WindowModal);
  if (!m_destinationURL.isEmpty()) dialog->setDirectory(m_destinationURL);
  connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
    const QString chosen = dialog->selectedFiles().value(0);
    dialog->deleteLater();
    if (result == QDialog::Accepted && !chosen.isEmpty()) SetDestinationURL(chosen);
  });
  dialog->open();
}

void AppDelegate::OpenDestinationFolder() {
  if (m_destinationURL.isEmpty()) return;
  OpenOrSayWhy(openWithDesktop, QUrl::fromLocalFile(m_destinationURL), window_);
}

void AppDelegate::SetDestinationURL(const QString& path) {
  // Kept as a plain absolute path: a folder that is moved or renamed later is not followed.
  SetDestinationURLData(path.isEmpty() ? QByteArray()
                                       : QFile::encodeName(QFileInfo(path).absoluteFilePath()));
}

void AppDelegate::SetDestinationURLData(const QByteArray& data) {
  const QString path = QFile::decodeName(data);
  const QFileInfo folder(path);
  const bool usable = !data.isEmpty() && folder.isAbsolute() && folder.isDir() &&
                      folder.isReadable() && folder.isExecutable();
  // Only a folder that passed the checks is remembered or written at quit.
  m_destinationURL = usable ? QDir::cleanPath(path) : QString();
  m_destinationURLSecureData = usable ? QFile::encodeName(m_destinationURL) : QByteArray();
  OptionPanels& p = panels();
  p.destinationPathTextField->setText(m_destinationURL);
  p.destinationPathTextField->setToolTip(m_destinationURL);
  p.useAsDestinationFolderCheckBox->setEnabled(usable);
  p.openDestinationButton->setEnabled(usable);
}

void AppDelegate::WatchFolderPathChangeAction(const QString& path, int boxType) {
  if (boxType != kDestinationBoxType) return;
  SetDestinationURL(path);
}

void AppDelegate::UserManualHelpAction() {
  // The manual is a bundle resource; the desktop's viewer needs it as a real file, one that is
  // still there after we quit, so it goes to the support folder, refreshed when it differs.
  const QString resource =
      BundleResourcePath(QStringLiteral("Glimbrik User Manual"), QStringLiteral("pdf"));
  const QString folder = SupportFolderPath();
  if (resource.isEmpty() || folder.isEmpty() || !QDir().mkpath(folder)) return;
  const QString copy = folder + QStringLiteral("/Glimbrik User Manual.pdf");
  QFile bundled(resource), kept(copy);
  if (!bundled.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = bundled.readAll();
  if (!kept.open(QIODevice::ReadOnly) || kept.readAll() != bytes) {
    QSaveFile out(copy);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
      return;
  }
  OpenOrSayWhy(openWithDesktop, QUrl::fromLocalFile(copy), window_);
}

void AppDelegate::ContactSupportAction() {
  const QUrl url(QString::fromLatin1(kSupportWebAddress));
  if (url.isValid()) OpenOrSayWhy(openWithDesktop, url, window_);
}

void AppDelegate::AboutAction() { AboutPanelController::sharedInstance()->showPanel(); }

}  // namespace glimbrik
