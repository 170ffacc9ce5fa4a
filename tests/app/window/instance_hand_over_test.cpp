#include "app/window/instance_hand_over.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <future>

#include "app/app_fixtures.h"
#include "app/batch/raw_file_names.h"
#include "app/delegate/app_delegate.h"
#include "app/window/custom_alert.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 20000;

// A later start of the application, in its own thread as it would be in its own process.
bool SecondStart(const QStringList& paths) {
  auto start = std::async(std::launch::async, [paths] { return HandOverOrListen(paths); });
  const bool ended = QTest::qWaitFor(
      [&] { return start.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
      kTimeoutMs);
  if (!ended) return false;
  HandOverResult result = start.get();
  EXPECT_FALSE(result.server) << "a start that handed over does not listen too";
  return result.handedOver;
}

// A later start in its own thread, while this (the first start's GUI) thread does nothing else.
std::future<HandOverResult> SecondStartBeside(const QStringList& paths,
                                              int quitWaitMs = kTimeoutMs) {
  return std::async(std::launch::async,
                    [paths, quitWaitMs] { return HandOverOrListen(paths, 5000, quitWaitMs); });
}

bool Ready(const std::future<HandOverResult>& start, std::chrono::milliseconds wait) {
  return start.wait_for(wait) == std::future_status::ready;
}

// Counts the times the window is put on top of the others.
struct WindowEvents : QObject {
  explicit WindowEvents(QWidget* window) : window_(window) { window->installEventFilter(this); }
  ~WindowEvents() override { window_->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) ++raised;
    return false;
  }
  QWidget* window_;
  int raised = 0;
};

// JPEGs of those names in a new folder.
QStringList WriteJpegs(const QString& folderPrefix, std::initializer_list<const char*> names) {
  const QString folder = test::MakeTempFolder(folderPrefix);
  QStringList paths;
  for (const char* name : names) {
    paths << folder + QLatin1Char('/') + QLatin1String(name);
    test::WriteJpeg(paths.last(), 24, 16);
  }
  return paths;
}

class HandOverTest : public test::AppTest {
 protected:
  // The test's application becomes the one that takes later starts' files.
  void Listen() {
    first = HandOverOrListen({});
    ASSERT_FALSE(first.handedOver);
    ASSERT_TRUE(first.server && first.server->isListening());
    ReceiveHandOvers(*app, first.server.get());
  }
  HandOverResult first;
};

TEST_F(HandOverTest, ASecondStartAppendsItsFilesKeepingRawNamesAndOneWithoutFilesRaisesTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Listen());
  const QStringList three = WriteJpegs(QStringLiteral("open"), {"a.jpg", "b.jpg", "c.jpg"});
  const QString folder = QFileInfo(three[0]).absolutePath();
  // The first start's files are still being added when the second start's arrive.
  app->openFiles(three);
  // A name that is not UTF-8 and one named relative to the second start's working folder.
  const QByteArray raw = QFile::encodeName(folder) + "/caf\xe9.jpg";
  test::WriteJpeg(folder + QStringLiteral("/tmp.jpg"), 24, 16);
  ASSERT_EQ(
      ::rename(QFile::encodeName(folder + QStringLiteral("/tmp.jpg")).constData(), raw.constData()),
      0);
  test::WriteJpeg(folder + QStringLiteral("/d.jpg"), 24, 16);
  const QString formerFolder = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(folder));
  const QStringList handed = AbsolutePathsOfArguments({raw, QByteArray("d.jpg")});
  QDir::setCurrent(formerFolder);
  ASSERT_TRUE(SecondStart(handed));
  ASSERT_TRUE(test::WaitForAdding(*app));
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return app->imageListViewContents()->rowCount() == 5; }, kTimeoutMs))
      << test::ListTitles(*app).join(", ").toStdString();
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app).mid(0, 3), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
  EXPECT_EQ(test::ListTitles(*app).value(4), QStringLiteral("d.jpg"));
  const QString listed = app->imageListViewContents()->entityForRow(3)->filePath();
  EXPECT_EQ(RawBytesOfPath(listed), raw) << "the name reaches the list byte for byte";
  struct stat info {};
  EXPECT_EQ(::stat(RawBytesOfPath(listed).constData(), &info), 0);

  // Whatever else connects and talks nonsense is dropped, and hand-overs go on.
  QLocalSocket stranger;
  stranger.connectToServer(HandOverSocketPath());
  ASSERT_TRUE(stranger.waitForConnected(kTimeoutMs));
  stranger.write(QByteArray(64, 'x'));
  ASSERT_TRUE(stranger.waitForBytesWritten(kTimeoutMs));
  EXPECT_TRUE(QTest::qWaitFor([&] { return stranger.state() == QLocalSocket::UnconnectedState; },
                              kTimeoutMs));

  // Without files: the minimised window comes back, in front of the window the user was in.
  QWidget elsewhere;
  elsewhere.show();
  elsewhere.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
  app->window()->showMinimized();
  ASSERT_TRUE(app->window()->isMinimized());
  WindowEvents events(app->window());
  ASSERT_TRUE(SecondStart({}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !app->window()->isMinimized(); }, kTimeoutMs));
  EXPECT_TRUE(QTest::qWaitForWindowActive(app->window()));
  EXPECT_GT(events.raised, 0);
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 5);

  // Opened while an earlier adding run is still to come, files land after that run's.
  app->openFiles({three[0]});
  app->openFiles({three[1]});
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app).mid(5), (QStringList{"a.jpg", "b.jpg"}));
  ::unlink(raw.constData());  // Qt cannot remove it with the folder
}

TEST_F(HandOverTest, ABusyWindowTakesFilesAtOnceAndListsThemOnceAndAQuitLosesNone) {
  ASSERT_NO_FATAL_FAILURE(Listen());
  const QStringList files = WriteJpegs(QStringLiteral("busy"), {"a.jpg", "b.jpg", "c.jpg"});

  WindowEvents events(app->window());

  // The GUI thread is busy for longer than a later start waits for an answer: it is answered
  // still, and no second window opens.
  std::future<HandOverResult> second = SecondStartBeside({files[0]});
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8))) << "the later start is kept waiting";
  HandOverResult result = second.get();
  EXPECT_TRUE(result.handedOver);
  EXPECT_FALSE(result.server);
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 0) << "nothing reached the busy thread";
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return app->imageListViewContents()->rowCount() > 0; }, kTimeoutMs));
  ASSERT_TRUE(test::WaitForAdding(*app));
  QTest::qWait(200);
  EXPECT_EQ(test::ListTitles(*app), QStringList{"a.jpg"}) << "taken exactly once";
  EXPECT_GT(events.raised, 0) << "the window that takes them comes to the front";

  // Taken just before the quit, while the thread was still busy: the quit waits, they are shown.
  second = SecondStartBeside({files[1]});
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8)));
  ASSERT_TRUE(second.get().handedOver);
  EXPECT_FALSE(app->applicationShouldTerminate());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return app->imageListViewContents()->rowCount() == 2; }, kTimeoutMs));
  ASSERT_TRUE(test::WaitForAdding(*app));

  // After the quit is confirmed, a later start keeps its files until the first has ended, then
  // becomes the application and opens them itself.
  ASSERT_TRUE(app->applicationShouldTerminate());
  second = SecondStartBeside({files[2]}, kTimeoutMs);
  EXPECT_FALSE(QTest::qWaitFor([&] { return Ready(second, std::chrono::milliseconds(0)); }, 1500));
  first.server.reset();
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8)));
  result = second.get();
  EXPECT_FALSE(result.handedOver);
  EXPECT_TRUE(result.server && result.server->isListening());
  EXPECT_EQ(test::ListTitles(*app), (QStringList{"a.jpg", "b.jpg"}));
}

TEST_F(HandOverTest, WhileAQuitAsksLaterStartsWaitAndACancelledQuitTakesTheirFiles) {
  ASSERT_NO_FATAL_FAILURE(Listen());
  const QString file = WriteJpegs(QStringLiteral("asked"), {"d.jpg"})[0];
  // An unsaved text watermark makes the quit ask.
  app->watermarkContextView->SelectRowStartingAtRow(0);
  app->watermarkContextView->setFontSize(222);

  std::future<HandOverResult> second;
  bool takenWhileAsked = true;
  QTimer whileAsked;
  whileAsked.setInterval(10);
  QObject::connect(&whileAsked, &QTimer::timeout, [&] {
    AlertDialog* alert = test::VisibleAlert();
    if (!alert || second.valid()) return;
    second = SecondStartBeside({file});
    takenWhileAsked =
        QTest::qWaitFor([&] { return Ready(second, std::chrono::milliseconds(0)); }, 1000);
    if (auto* cancel = alert->findChild<QPushButton*>(QStringLiteral("otherButton")))
      cancel->click();
  });
  whileAsked.start();
  EXPECT_FALSE(app->applicationShouldTerminate());
  whileAsked.stop();
  ASSERT_TRUE(second.valid()) << "the quit asked nothing";
  EXPECT_FALSE(takenWhileAsked) << "files taken while the quit was asked go with the list";
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8)));
  EXPECT_TRUE(second.get().handedOver) << "a cancelled quit takes files again";
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return app->imageListViewContents()->rowCount() == 1; }, kTimeoutMs));
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app), QStringList{"d.jpg"});
}

TEST_F(HandOverTest, AnEndThatAsksNothingRefusesLaterStartsThoughFilesWait) {
  ASSERT_NO_FATAL_FAILURE(Listen());
  const QString file = WriteJpegs(QStringLiteral("ending"), {"e.jpg"})[0];
  std::future<HandOverResult> second = SecondStartBeside({file});
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8)));
  ASSERT_TRUE(second.get().handedOver);
  // A signal ends the application before its GUI thread could show them.
  first.server->endTaking();
  second = SecondStartBeside({file});
  EXPECT_FALSE(QTest::qWaitFor([&] { return Ready(second, std::chrono::milliseconds(0)); }, 1000));
  first.server.reset();
  ASSERT_TRUE(Ready(second, std::chrono::seconds(8)));
  EXPECT_TRUE(second.get().server) << "the later start becomes the application";
}

TEST(HandOverSocket, FollowsTheSupportFolderAndReplacesOneLeftByAnEndedApplication) {
  const QString path = HandOverSocketPath();
  const QByteArray support = qgetenv("GLIMBRIK_SUPPORT_DIR");
  qputenv("GLIMBRIK_SUPPORT_DIR", support + "-other");
  const QString other = HandOverSocketPath();
  qputenv("GLIMBRIK_SUPPORT_DIR", support);
  EXPECT_NE(other, path) << "each settings folder has its own application";
  EXPECT_EQ(QFileInfo(other).absolutePath(), QFileInfo(path).absolutePath());

  // A crashed application leaves its socket behind; nobody answers there.
  ASSERT_TRUE(test::WriteBytes(path, "left over"));
  HandOverResult result = HandOverOrListen({});
  EXPECT_FALSE(result.handedOver);
  ASSERT_TRUE(result.server);
  EXPECT_TRUE(result.server->isListening());
}

}  // namespace
}  // namespace glimbrik
