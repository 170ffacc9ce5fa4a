// Adds 2,000 image files to the list of a shown main window and reports the longest time the
// GUI thread went without handling its events while they were added and their thumbnails
// loaded. Run: build/bench/list_adding_bench [file count]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/delegate/app_delegate.h"
#include "platform/store/bundle.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  QTemporaryDir home;
  // Never read or write the user's own options.
  setenv("GLIMBRIK_PREFERENCES_DIR", qPrintable(home.path() + "/prefs"), 1);
  setenv("GLIMBRIK_SUPPORT_DIR", qPrintable(home.path() + "/support/Glimbrik"), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  glimbrik::InitBundleResources();

  QImage image(640, 480, QImage::Format_RGB32);
  QStringList files;
  for (int i = 0; i < count; ++i) {
    image.fill(QColor::fromHsv(i % 360, 160, 200));
    files.append(home.path() + QStringLiteral("/photo%1.jpg").arg(i, 5, 10, QLatin1Char('0')));
    image.save(files.last(), "JPEG", 80);
  }

  glimbrik::AppDelegate delegate;
  delegate.awakeFromNib();
  delegate.applicationDidFinishLaunching();
  delegate.window()->show();
  QApplication::processEvents();

  QElapsedTimer clock;
  qint64 last = 0;
  qint64 longest = 0;
  qint64 addedAt = -1;
  qint64 loadedAt = -1;
  QTimer tick;
  tick.setInterval(1);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
    if (addedAt < 0 && delegate.addingRunsInProgress() == 0) addedAt = now;
    if (addedAt >= 0 && loadedAt < 0) {
      const auto& entries = delegate.imageListViewContents()->entries();
      if (std::all_of(entries.begin(), entries.end(),
                      [](const auto& e) { return e->isLoaded(); })) {
        loadedAt = now;
        app.quit();
      }
    }
    if (now > 600000) app.quit();  // bounded
  });
  clock.start();
  tick.start();
  delegate.AddUrlsIntoImageListViewAtEnd(files);
  app.exec();

  std::printf("files added:                 %d (listed %d)\n", count,
              delegate.imageListViewContents()->rowCount());
  std::printf("all listed after:            %lld ms\n", static_cast<long long>(addedAt));
  std::printf("all thumbnails loaded after: %lld ms\n", static_cast<long long>(loadedAt));
  std::printf("longest GUI-thread stall:    %lld ms\n", static_cast<long long>(longest));
  return loadedAt < 0 ? 1 : 0;
}
