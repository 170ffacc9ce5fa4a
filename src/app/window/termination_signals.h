#pragma once

#include <QObject>

namespace glimbrik {

// SIGTERM, SIGINT and SIGHUP (a logout, a kill, Ctrl+C in a terminal) quit the application
// through its event loop, as the Quit command does, so that the preferences are written and
// the private temporary folder is removed. Returns false when the signals could not be taken.
bool QuitOnTerminationSignals(QObject* parent);

}  // namespace glimbrik
