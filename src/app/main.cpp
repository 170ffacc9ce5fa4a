#include <QApplication>
#include <QMessageBox>

#include "app/app_delegate.h"
#include "app/app_delegate_batch.h"
#include "app/preview_controller.h"
#include "app/raw_file_names.h"
#include "app/termination_signals.h"
#include "platform/bundle.h"
#include "platform/localization.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(glimbrik::kApplicationName));
  // Task bars and Wayland compositors match the window to the desktop entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("glimbrik"));
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
  // By their bytes: arguments() would turn a name that is not UTF-8 into one that opens nothing.
  QStringList files;
  for (int i = 1; i < argc; ++i) files << glimbrik::PathFromRawBytes(QByteArray(argv[i]));
  delegate.openFiles(files);
  return app.exec();
}
