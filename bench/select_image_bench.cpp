// Selects the row of a 24-megapixel JPEG in a shown main window, again and again, and reports the
// longest time the GUI thread went without handling its events from the selection until the
// view showed the decoded picture, and how long that took. Run: build/bench/select_image_bench
// [repetitions]
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/delegate/app_delegate.h"
#include "platform/store/bundle.h"

namespace {

// 6000 x 4000 with detail everywhere, so that it codes like a photograph.
void WritePhoto(const QString& path) {
  QImage image(6000, 4000, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 6000, 4000);
  sky.setColorAt(0, QColor(255, 154, 60));
  sky.setColorAt(1, QColor(91, 42, 134));
  painter.fillRect(image.rect(), sky);
  QRandomGenerator random(7);
  for (int i = 0; i < 4000; ++i) {
    painter.setPen(QColor::fromHsv(random.bounded(360), 120, 200));
    painter.drawLine(random.bounded(6000), random.bounded(4000), random.bounded(6000),
                     random.bounded(4000));
  }
  painter.end();
  image.save(path, "JPEG", 90);
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  QTemporaryDir home;
  setenv("GLIMBRIK_PREFERENCES_DIR", qPrintable(home.path() + "/prefs"), 1);
  setenv("GLIMBRIK_SUPPORT_DIR", qPrintable(home.path() + "/support/Glimbrik"), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  glimbrik::InitBundleResources();

  const QString big = home.path() + "/big.jpg";
  const QString small = home.path() + "/small.jpg";
  WritePhoto(big);
  QImage(640, 480, QImage::Format_RGB32).save(small, "JPEG");

  glimbrik::AppDelegate delegate;
  delegate.awakeFromNib();
  delegate.applicationDidFinishLaunching();
  delegate.window()->show();
  delegate.AddUrlsIntoImageListViewAtEnd({small, big});
  glimbrik::QVXImageView* view = delegate.window()->mainImagePreview;

  QElapsedTimer clock;
  clock.start();
  // Wait (bounded) until both rows have their facts.
  while (clock.elapsed() < 60000) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto& entries = delegate.imageListViewContents()->entries();
    if (entries.size() == 2 &&
        std::all_of(entries.begin(), entries.end(), [](const auto& e) { return e->isLoaded(); }))
      break;
  }
  const int bigRow = delegate.ImageEntityForRow(0)->filePath() == big ? 0 : 1;

  std::vector<qint64> stalls;
  std::vector<qint64> selectCalls;
  std::vector<qint64> shownAfter;
  for (int i = 0; i < repetitions; ++i) {
    delegate.SelectRowStartingAtRow(1 - bigRow);
    for (QElapsedTimer settle; !settle.isValid() || settle.elapsed() < 300;) {
      if (!settle.isValid()) settle.start();
      QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QElapsedTimer step;
    step.start();
    delegate.SelectRowStartingAtRow(bigRow);
    qint64 last = step.elapsed();
    qint64 longest = last;
    selectCalls.push_back(last);
    while (!view->hasDecodedImage() && step.elapsed() < 30000) {
      QApplication::processEvents(QEventLoop::AllEvents, 1);
      const qint64 now = step.elapsed();
      longest = std::max(longest, now - last);
      last = now;
    }
    view->repaint();  // the decoded picture drawn once
    const qint64 now = step.elapsed();
    longest = std::max(longest, now - last);
    shownAfter.push_back(now);
    stalls.push_back(longest);
  }
  std::sort(stalls.begin(), stalls.end());
  std::sort(shownAfter.begin(), shownAfter.end());
  std::printf("24 MP JPEG row selected %d times\n", repetitions);
  std::printf("  selection call: longest %lld ms\n",
              static_cast<long long>(*std::max_element(selectCalls.begin(), selectCalls.end())));
  std::printf("  longest GUI-thread stall: median %lld ms, worst %lld ms\n",
              static_cast<long long>(stalls[stalls.size() / 2]),
              static_cast<long long>(stalls.back()));
  std::printf("  decoded picture shown after: median %lld ms, worst %lld ms\n",
              static_cast<long long>(shownAfter[shownAfter.size() / 2]),
              static_cast<long long>(shownAfter.back()));
  return stalls.back() <= 50 ? 0 : 1;
}
