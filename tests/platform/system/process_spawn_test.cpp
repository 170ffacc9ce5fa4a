#include "platform/system/process_spawn.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <atomic>
#include <csignal>
#include <thread>

#include "support/test_env.h"

namespace glimbrik {
namespace {

SpawnRequest Shell(const QString& displayName, const QString& script) {
  return SpawnRequest{"sh", {displayName, "-c", script}, false};
}

// More than a pipe buffer on each stream: a reader that drained only one would stall.
TEST(ProcessSpawn, ChildSeesDisplayNameAsArgv0AndLargeOutputsAreSeparate) {
  const SpawnResult result =
      RunProcess(Shell(QStringLiteral("ShownName"),
                       QStringLiteral("tr '\\0' ' ' < /proc/$$/cmdline; head -c 300000 /dev/zero; "
                                      "head -c 200000 /dev/zero >&2; echo to-stderr >&2; exit 3")));
  ASSERT_TRUE(result.started) << result.reason.toStdString();
  EXPECT_TRUE(result.standardOutput.startsWith("ShownName -c "));
  EXPECT_EQ(result.standardOutput.count('\0'), 300000);
  EXPECT_EQ(result.standardError, QByteArray(200000, '\0') + "to-stderr\n");
  EXPECT_EQ(result.status(), 3);
  EXPECT_FALSE(result.succeeded());
  EXPECT_TRUE(RunProcess(Shell(QStringLiteral("x"), QStringLiteral("exit 0"))).succeeded());
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

  // A stop flag set from another thread does the same, and a child deaf to SIGTERM is killed.
  for (const char* body : {"exec sleep 60", "trap '' TERM; sleep 30 >/dev/null 2>&1"}) {
    SCOPED_TRACE(body);
    QFile::remove(started);
    std::atomic<bool> stop{false};
    SpawnRequest request = Shell(QStringLiteral("x"), "touch " + started + " && " + body);
    request.stop = &stop;
    ChildProcess stoppable;
    std::thread stopper([&] {
      QDeadlineTimer until(20000);
      while (!QFile::exists(started) && !until.hasExpired()) std::this_thread::yield();
      stop = true;
    });
    const QDeadlineTimer limit(20000);
    const SpawnResult stopped = stoppable.run(request);
    stopper.join();
    EXPECT_FALSE(limit.hasExpired());
    ASSERT_TRUE(stopped.started);
    EXPECT_NE(stopped.signal, 0);
    EXPECT_FALSE(stoppable.run(request).started) << "not started once the flag is set";
  }
}

}  // namespace
}  // namespace glimbrik
