#include "app/window/instance_hand_over.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTest>
#include <chrono>
#include <future>

#include "app/app_fixtures.h"
#include "app/batch/raw_file_names.h"
#include "app/delegate/app_delegate.h"

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

using HandOverTest = test::AppTest;

TEST_F(HandOverTest, ASecondStartAppendsItsFilesKeepingRawNamesAndOneWithoutFilesRaisesTheWindow) {
  HandOverResult first = HandOverOrListen({});
  ASSERT_FALSE(first.handedOver);
  ASSERT_TRUE(first.server && first.server->isListening());
  ReceiveHandOvers(*app, first.server.get());

  const QString folder = test::MakeTempFolder(QStringLiteral("open"));
  QStringList three;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    three << folder + QLatin1Char('/') + QLatin1String(name);
    test::WriteJpeg(three.last(), 24, 16);
  }
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

  // Without files: the minimised window comes back.
  app->window()->showMinimized();
  ASSERT_TRUE(app->window()->isMinimized());
  ASSERT_TRUE(SecondStart({}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !app->window()->isMinimized(); }, kTimeoutMs));
  EXPECT_EQ(app->imageListViewContents()->rowCount(), 5);

  // Opened while an earlier adding run is still to come, files land after that run's.
  app->openFiles({three[0]});
  app->openFiles({three[1]});
  ASSERT_TRUE(test::WaitForAdding(*app));
  EXPECT_EQ(test::ListTitles(*app).mid(5), (QStringList{"a.jpg", "b.jpg"}));
  ::unlink(raw.constData());  // Qt cannot remove it with the folder
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
