#include "platform/process_spawn.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <csignal>
#include <thread>

#include "support/test_env.h"

namespace glimbrik {
namespace {

SpawnRequest Shell(const QString& displayName, const QString& script) {
  return SpawnRequest{"sh", {displayName, "-c", script}, false};
}

TEST(ProcessSpawn, ChildSeesDisplayNameAsArgv0AndOutputsAreSeparate) {
  const SpawnResult result = RunProcess(
      Shell(QStringLiteral("ShownName"),
            QStringLiteral("tr '\\0' ' ' < /proc/$$/cmdline; echo to-stderr >&2; exit 3")));
  ASSERT_TRUE(result.started) << result.reason.toStdString();
  EXPECT_TRUE(result.standardOutput.startsWith("ShownName -c "))
      << result.standardOutput.constData();
  EXPECT_EQ(result.standardError, QByteArray("to-stderr\n"));
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.status(), 3);
  EXPECT_FALSE(result.succeeded());
}

TEST(ProcessSpawn, SucceedsOnlyOnExitZeroAndReadsLargeOutputOnBothStreams) {
  // More than a pipe buffer on each stream: a reader that drained only one would stall.
  const SpawnResult result =
      RunProcess(Shell(QStringLiteral("x"),
                       QStringLiteral("head -c 300000 /dev/zero; head -c 200000 /dev/zero >&2")));
  EXPECT_TRUE(result.succeeded()) << result.reason.toStdString();
  EXPECT_EQ(result.standardOutput.size(), 300000);
  EXPECT_EQ(result.standardError.size(), 200000);
  EXPECT_TRUE(result.reason.isEmpty());
}

TEST(ProcessSpawn, MissingExecutableAndSignalDeathAreFailures) {
  const SpawnResult missing = RunProcess({"glimbrik-no-such-tool", {"Name"}, false});
  EXPECT_FALSE(missing.started);
  EXPECT_FALSE(missing.succeeded());
  EXPECT_EQ(missing.status(), 127);
  EXPECT_TRUE(missing.reason.contains(QStringLiteral("glimbrik-no-such-tool")));

  const SpawnResult killed =
      RunProcess(Shell(QStringLiteral("x"), QStringLiteral("kill -KILL $$")));
  EXPECT_TRUE(killed.started);
  EXPECT_EQ(killed.signal, SIGKILL);
  EXPECT_EQ(killed.status(), 128 + SIGKILL);
  EXPECT_FALSE(killed.succeeded());

  const SpawnResult empty = RunProcess({});
  EXPECT_FALSE(empty.started);
}

TEST(ProcessSpawn, LowPriorityRunsTheChildAtNiceTen) {
  // The child looks until it sees itself lowered; a bounded number of looks, no clock.
  const QString script = QStringLiteral(
      "i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do i=$((i+1)); done; nice");
  SpawnRequest request = Shell(QStringLiteral("x"), script);
  request.lowPriority = true;
  // The runner itself may already be niced; a child without the flag keeps the runner's value.
  errno = 0;
  const int own = ::getpriority(PRIO_PROCESS, 0);
  ASSERT_EQ(errno, 0);
  const SpawnResult low = RunProcess(request);
  ASSERT_TRUE(low.succeeded()) << low.reason.toStdString();
  if (own <= 10) {
    EXPECT_EQ(low.standardOutput.trimmed(), QByteArray("10"));
  }

  const SpawnResult normal = RunProcess(Shell(QStringLiteral("x"), QStringLiteral("nice")));
  EXPECT_EQ(normal.standardOutput.trimmed(), QByteArray::number(own));
}

TEST(ProcessSpawn, TerminateEndsARunningChildAndPreventsLaterRuns) {
  const QString started = test::MakeTempFolder() + "/started";
  ChildProcess child;
  SpawnResult result;
  std::thread runner([&] {
    result = child.run(Shell(QStringLiteral("x"), "touch " + started + " && exec sleep 60"));
  });
  QDeadlineTimer deadline(20000);
  while (!QFile::exists(started) && !deadline.hasExpired()) std::this_thread::yield();
  child.terminate();
  runner.join();
  ASSERT_TRUE(result.started);
  EXPECT_EQ(result.signal, SIGTERM);
  EXPECT_FALSE(result.succeeded());

  const SpawnResult again = child.run(Shell(QStringLiteral("x"), QStringLiteral("exit 0")));
  EXPECT_FALSE(again.started);
  EXPECT_EQ(again.reason, QStringLiteral("cancelled"));
}

}  // namespace
}  // namespace glimbrik
