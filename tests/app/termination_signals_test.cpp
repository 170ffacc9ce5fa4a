#include "app/termination_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>
#include <csignal>

namespace glimbrik {
namespace {

TEST(TerminationSignals, EndTheEventLoopAsQuitDoes) {
  QObject owner;
  ASSERT_TRUE(QuitOnTerminationSignals(&owner));
  QSignalSpy aboutToQuit(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
  for (const int signal : {SIGTERM, SIGHUP}) {
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    guard.start(10000);
    QTimer::singleShot(0, [signal] { ::raise(signal); });
    EXPECT_EQ(QCoreApplication::exec(), 0) << signal;
    EXPECT_FALSE(timedOut) << signal;
  }
  // What the application writes on quitting hangs on this signal.
  EXPECT_EQ(aboutToQuit.count(), 2);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
}

}  // namespace
}  // namespace glimbrik
