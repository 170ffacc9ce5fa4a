#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class QLocalServer;
class QThread;

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

// Receives the files of later starts for the running application. The socket is served on a
// thread of its own, so that a start is answered at once however long the GUI thread is busy;
// an answer of "taken" means the files wait here until the GUI thread hands them on.
class InstanceHandOverServer : public QObject {
  Q_OBJECT
 public:
  explicit InstanceHandOverServer(QObject* parent = nullptr);
  ~InstanceHandOverServer() override;
  // Takes files at the socket path; false when it cannot.
  bool listen(const QString& path);
  bool isListening() const;
  // From now on the signals below carry what later starts hand over, in their order; until then
  // it waits.
  void beginDelivery();
  // Refuses later starts (they wait, and open their files themselves once this application has
  // ended) or takes their files again. Refusing is false, and nothing refused, while files already
  // taken have not reached the signals yet: a quit must not drop them.
  bool refuseLaterStarts(bool refuse);
  // The application ends without asking (a signal): later starts are refused whatever waits.
  void endTaking();

 signals:
  // A later start named these files (absolute paths).
  void filesOpened(const QStringList& paths);
  // A later start named no file: the window should come to the front.
  void raiseRequested();

 private:
  // Listener thread: whether the files (none: "come to the front") are taken.
  bool offer(const QStringList& paths);
  void deliverWaiting();

  QThread* thread_ = nullptr;
  QObject* listenerSide_ = nullptr;  // lives on thread_; owns the socket server and its peers
  QLocalServer* server_ = nullptr;   // touched on thread_ only
  std::atomic<bool> listening_{false};
  std::mutex mutex_;  // guards the members below
  std::vector<QStringList> waiting_;
  bool deliveryPosted_ = false;
  bool delivering_ = false;
  bool refusing_ = false;
};

struct HandOverResult {
  bool handedOver = false;  // an application already running took the files: end this start
  // Otherwise the receiver for later starts; none when no socket could be made (this start then
  // runs on its own).
  std::unique_ptr<InstanceHandOverServer> server;
};

// Hands the files (an empty list: "come to the front") to the application already running for
// these settings, or, when none answers, becomes that application. One that is quitting refuses
// them: this start waits until it has ended, then takes its place; after quitWaitMs (a quit that
// hangs) it runs on its own.
HandOverResult HandOverOrListen(const QStringList& paths, int timeoutMs = 5000,
                                int quitWaitMs = 600000);

// Files handed over are appended to the list; the window comes to the front either way. Later
// starts are refused while a quit is asked and once it is confirmed.
void ReceiveHandOvers(AppDelegate& delegate, InstanceHandOverServer* server);

}  // namespace glimbrik
