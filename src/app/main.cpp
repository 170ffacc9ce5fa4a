#include <QApplication>
#include <QMessageBox>

#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/preview/preview_controller.h"
#include "app/window/instance_hand_over.h"
#include "app/window/termination_signals.h"
#include "platform/store/bundle.h"
#include "platform/store/localization.h"

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

  // Files opened with the application arrive as arguments (the desktop entry passes %F), taken
  // by their bytes: arguments() would turn a name that is not UTF-8 into one that opens nothing.
  QList<QByteArray> arguments;
  for (int i = 1; i < argc; ++i) arguments << QByteArray(argv[i]);
  const QStringList files = glimbrik::AbsolutePathsOfArguments(arguments);
  // A later start hands its files to the window already open for these settings and ends.
  glimbrik::HandOverResult handOver = glimbrik::HandOverOrListen(files);
  if (handOver.handedOver) return 0;

  glimbrik::AppDelegate delegate;
  delegate.awakeFromNib();
  delegate.applicationDidFinishLaunching();
  glimbrik::InstallPreview(delegate, *glimbrik::InstallBatchRun(delegate));
  QObject::connect(&app, &QApplication::aboutToQuit, &delegate,
                   &glimbrik::AppDelegate::applicationWillTerminate);
  glimbrik::QuitOnTerminationSignals(&app);
  delegate.window()->show();
  glimbrik::ReceiveHandOvers(delegate, handOver.server.get());
  delegate.openFiles(files);
  return app.exec();
}
