#include <QApplication>
#include <QMessageBox>

#include "app/app_delegate.h"
#include "app/app_delegate_batch.h"
#include "app/preview_controller.h"
#include "app/termination_signals.h"
#include "platform/bundle.h"
#include "platform/localization.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(glimbrik::kApplicationName));
  glimbrik::InitBundleResources();

  // Without a preferences and a support folder nothing could be kept: say so and stop.
  const QString missing = glimbrik::AppDelegate::MissingFolderMessage();
  if (!missing.isEmpty()) {
    QMessageBox box(QMessageBox::NoIcon, glimbrik::LocalizedString("Alert"), missing);
    box.setTextFormat(Qt::PlainText);
    box.addButton(glimbrik::LocalizedString("Quit"), QMessageBox::AcceptRole);
    box.exec();
    return 1;
  }

  glimbrik::AppDelegate delegate;
  delegate.awakeFromNib();
  delegate.applicationDidFinishLaunching();
  glimbrik::InstallPreview(delegate, *glimbrik::InstallBatchRun(delegate));
  QObject::connect(&app, &QApplication::aboutToQuit, &delegate,
                   &glimbrik::AppDelegate::applicationWillTerminate);
  glimbrik::QuitOnTerminationSignals(&app);
  delegate.window()->show();
  // Files opened with the application arrive as arguments (the desktop entry passes %F).
  delegate.openFiles(QApplication::arguments().mid(1));
  return app.exec();
}
