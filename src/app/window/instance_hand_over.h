#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace glimbrik {

class AppDelegate;

// One application per settings folder: a later start hands its files to the one running and
// ends, so that two windows never share (and overwrite) one set of preference files and one
// preview folder.

// The local socket at which the running application takes files: in the user's runtime folder,
// named after the support folder, so that each settings folder (and each test run, which points
// it elsewhere) has its own.
QString HandOverSocketPath();

// The paths of files named on a command line, made absolute against this process's working
// folder, with bytes that are not UTF-8 kept (see raw_file_names.h).
QStringList AbsolutePathsOfArguments(const QList<QByteArray>& arguments);

// Receives the files of later starts for the running application.
class InstanceHandOverServer : public QObject {
  Q_OBJECT
 public:
  explicit InstanceHandOverServer(QObject* parent = nullptr);
  ~InstanceHandOverServer() override;
  // Takes files at the socket path; false when it cannot.
  bool listen(const QString& path);
  bool isListening() const;

 signals:
  // A later start named these files (absolute paths).
  void filesOpened(const QStringList& paths);
  // A later start named no file: the window should come to the front.
  void raiseRequested();

 private:
  void readMessage(QLocalSocket* socket);
  QLocalServer* server_ = nullptr;
};

struct HandOverResult {
  bool handedOver = false;  // an application already running took the files: end this start
  // Otherwise the receiver for later starts; none when no socket could be made (this start then
  // runs on its own).
  std::unique_ptr<InstanceHandOverServer> server;
};

// Hands the files (an empty list: "come to the front") to the application already running for
// these settings, or, when none answers, becomes that application.
HandOverResult HandOverOrListen(const QStringList& paths, int timeoutMs = 5000);

// Files handed over are appended to the list; the window comes to the front either way.
void ReceiveHandOvers(AppDelegate& delegate, InstanceHandOverServer* server);

}  // namespace glimbrik
