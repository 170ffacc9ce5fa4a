#include "app/window/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace glimbrik {
namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
  // Only async-signal-safe work here: the event loop does the rest.
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

bool QuitOnTerminationSignals(QObject* parent) {
  if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    QCoreApplication::exit(0);  // not interruptible: a logout asks nothing
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  bool ok = true;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP})
    ok = ::sigaction(signal, &action, nullptr) == 0 && ok;
  return ok;
}

}  // namespace glimbrik
