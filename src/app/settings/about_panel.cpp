#include "app/settings/about_panel.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

#include "engine/files/file_utils.h"
#include "platform/store/bundle.h"
#include "platform/system/qt_additions.h"

namespace glimbrik {

QString AboutVersionString(const QString& shortVersion, const QString& buildVersion) {
  const auto part = [](const QString& text) { return text.isEmpty() ? QStringLiteral("1") : text; };
  return QStringLiteral("%1 (%2)").arg(part(shortVersion), part(buildVersion));
}

AboutPanelController* AboutPanelController::sharedInstance() {
  static AboutPanelController* shared = [] {
    auto* controller = new AboutPanelController;
    controller->setParent(qApp);  // goes with the application
    return controller;
  }();
  return shared;
}

AboutPanelController::AboutPanelController() { awakeFromNib(); }

AboutPanelController::~AboutPanelController() { delete aboutWindow; }

namespace {
QLabel* Field(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  return label;
}
}  // namespace

void AboutPanelController::awakeFromNib() {
  aboutWindow = new QDialog(nullptr, Qt::Dialog);
  aboutWindow->setObjectName(QStringLiteral("aboutWindow"));
  aboutWindow->setWindowTitle(QStringLiteral("About"));
  QPalette palette = aboutWindow->palette();
  palette.setColor(QPalette::Window, Qt::white);
  aboutWindow->setPalette(palette);
  aboutWindow->setAutoFillBackground(true);
  aboutWindow->installEventFilter(this);

  auto* layout = new QVBoxLayout(aboutWindow);
  appNameField = Field("appNameField", aboutWindow);
  QFont title = appNameField->font();
  title.setBold(true);
  title.setPointSizeF(title.pointSizeF() * 1.6);
  appNameField->setFont(title);
  versionField = Field("versionField", aboutWindow);
  copyrightField = Field("copyrightField", aboutWindow);
  webURLField = Field("webURLField", aboutWindow);
  supportEmailField = Field("supportEmailField", aboutWindow);
  otherInfoField = Field("otherInfoField", aboutWindow);
  otherInfoField->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  otherInfoField->setTextInteractionFlags(Qt::TextSelectableByMouse);
  for (QLabel* link : {webURLField, supportEmailField}) {
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
  }
  for (QLabel* field :
       {appNameField, versionField, copyrightField, webURLField, supportEmailField}) {
    layout->addWidget(field);
  }
  layout->addSpacing(8);
  layout->addWidget(otherInfoField, 1);

  // displayAppName ... displayOtherInfo
  appNameField->setText(ApplicationName() == QLatin1String("-") ? QString() : ApplicationName());
  versionField->setText(AboutVersionString(ApplicationShortVersion(), ApplicationBuildVersion()));
  copyrightField->setText(ApplicationCopyright());
  const QString web = QString::fromLatin1(kMakerWebAddress);
  webURLField->setText(hyperlinkFromString(web, QUrl(web)));
  const QString mail = QString::fromLatin1(kSupportEmailAddress);
  supportEmailField->setText(hyperlinkFromString(mail, QUrl(QStringLiteral("mailto:") + mail)));
  QString credits;
  QFile file(BundleResourcePath(QStringLiteral("Credits"), QStringLiteral("txt")));
  if (file.open(QIODevice::ReadOnly)) credits = QString::fromUtf8(file.readAll());
  // The credits wrap to the panel: a single line break inside a paragraph is only a space.
  credits.replace(QRegularExpression(QStringLiteral("(?<!\\n)\\n(?!\\n)")), QStringLiteral(" "));
  otherInfoField->setText(credits.trimmed());
  aboutWindow->resize(420, 360);
}

void AboutPanelController::showPanel() {
  if (!aboutWindow->isVisible()) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      aboutWindow->move(screen->availableGeometry().center() - aboutWindow->rect().center());
    }
  }
  aboutWindow->show();
  aboutWindow->raise();
  aboutWindow->activateWindow();
}

void AboutPanelController::hidePanel() { aboutWindow->hide(); }

bool AboutPanelController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == aboutWindow && event->type() == QEvent::WindowDeactivate) hidePanel();
  return QObject::eventFilter(watched, event);
}

}  // namespace glimbrik
