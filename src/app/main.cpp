#include <QApplication>
#include <QMainWindow>

#include "platform/bundle.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(glimbrik::kApplicationName));
  glimbrik::InitBundleResources();
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Glimbrik"));
  window.resize(1100, 720);
  window.show();
  return app.exec();
}
