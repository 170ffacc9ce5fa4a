#include "app/window/instance_hand_over.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <optional>

#include "app/batch/raw_file_names.h"
#include "app/delegate/app_delegate.h"
#include "platform/store/folders.h"

namespace glimbrik {

namespace {

constexpr quint32 kMagic = 0x474C4D42;  // "GLMB"
constexpr quint32 kVersion = 1;
constexpr quint32 kMaxFiles = 1'000'000;
constexpr qint64 kMaxMessageBytes = 256 * 1024 * 1024;
constexpr int kReceiveTimeoutMs = 10000;
constexpr unsigned long kQuitPollMs = 100;

// The user's private runtime folder; Qt makes one of mode 0700 when the session has none.
QString RuntimeFolder() {
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

QByteArray Message(const QStringList& paths) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << kMagic << kVersion << quint32(paths.size());
  for (const QString& path : paths) out << RawBytesOfPath(path);
  return bytes;
}

// The peer's answer to a message: the files are taken, or refused by an application that is
// quitting.
constexpr char kTaken = '1';
constexpr char kRefused = '0';

// A complete, well-formed message's files; nothing while it is still arriving, or after a
// malformed one, whose sender is dropped.
std::optional<QStringList> ReadMessage(QLocalSocket* socket) {
  if (socket->bytesAvailable() > kMaxMessageBytes) {
    socket->abort();
    return std::nullopt;
  }
  QDataStream in(socket);
  in.setVersion(QDataStream::Qt_6_0);
  in.startTransaction();
  quint32 magic = 0;
  quint32 version = 0;
  quint32 count = 0;
  in >> magic >> version >> count;
  if (in.status() == QDataStream::Ok &&
      (magic != kMagic || version != kVersion || count > kMaxFiles)) {
    socket->abort();
    return std::nullopt;
  }
  QStringList paths;
  for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
    QByteArray bytes;
    in >> bytes;
    if (!bytes.isEmpty()) paths << PathFromRawBytes(bytes);
  }
  if (!in.commitTransaction()) {
    if (in.status() != QDataStream::ReadPastEnd) socket->abort();
    return std::nullopt;  // the rest of the message is still on its way
  }
  return paths;
}

void Answer(QLocalSocket* socket, bool taken) {
  socket->write(taken ? &kTaken : &kRefused, 1);
  socket->flush();
  socket->disconnectFromServer();
}

enum class Reply { Taken, Refused, Silent, Dropped, Nobody };

Reply Offer(const QString& path, const QStringList& paths, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(timeoutMs)) return Reply::Nobody;
  socket.write(Message(paths));
  QByteArray answer;
  if (socket.waitForBytesWritten(timeoutMs)) {
    while (answer.isEmpty() && socket.waitForReadyRead(timeoutMs)) answer = socket.read(1);
  }
  if (answer.size() == 1 && answer[0] == kTaken) return Reply::Taken;
  if (answer.size() == 1 && answer[0] == kRefused) return Reply::Refused;
  // Closed without a word: its server went away (an ending application) before it read ours.
  if (socket.state() == QLocalSocket::UnconnectedState) return Reply::Dropped;
  return Reply::Silent;
}

}  // namespace

QString HandOverSocketPath() {
  const QByteArray key =
      QCryptographicHash::hash(QFile::encodeName(QFileInfo(SupportFolderPath()).absoluteFilePath()),
                               QCryptographicHash::Sha256);
  return RuntimeFolder() + QStringLiteral("/glimbrik-") +
         QString::fromLatin1(key.toHex().left(16)) + QStringLiteral(".socket");
}

QStringList AbsolutePathsOfArguments(const QList<QByteArray>& arguments) {
  QByteArray cwd;
  QStringList paths;
  for (const QByteArray& argument : arguments) {
    if (argument.isEmpty()) continue;
    QByteArray path = argument;
    if (!path.startsWith('/')) {
      // The bytes of the working folder, which may hold names that are not UTF-8 too.
      if (cwd.isEmpty()) {
        QByteArray buffer(4096, '\0');
        while (!::getcwd(buffer.data(), size_t(buffer.size())) && buffer.size() < 1 << 20)
          buffer.resize(buffer.size() * 2);
        cwd = QByteArray(buffer.constData());
      }
      path = cwd + '/' + path;
    }
    paths << PathFromRawBytes(path);
  }
  return paths;
}

InstanceHandOverServer::InstanceHandOverServer(QObject* parent)
    : QObject(parent), thread_(new QThread(this)), listenerSide_(new QObject) {
  thread_->setObjectName(QStringLiteral("hand-over"));
  listenerSide_->moveToThread(thread_);
  // Deleted on its own thread as that ends, closing the socket with its peers.
  connect(thread_, &QThread::finished, listenerSide_, &QObject::deleteLater);
  thread_->start();
}

InstanceHandOverServer::~InstanceHandOverServer() {
  endTaking();
  thread_->quit();
  thread_->wait();
}

bool InstanceHandOverServer::isListening() const { return listening_; }

bool InstanceHandOverServer::listen(const QString& path) {
  bool ok = false;
  QMetaObject::invokeMethod(
      listenerSide_,
      [this, &ok, path] {
        if (server_) {
          ok = server_->isListening();
          return;
        }
        server_ = new QLocalServer(listenerSide_);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, server_, [this] {
          while (QLocalSocket* socket = server_->nextPendingConnection()) {
            const auto read = [this, socket] {
              if (std::optional<QStringList> paths = ReadMessage(socket))
                Answer(socket, offer(*paths));
            };
            connect(socket, &QLocalSocket::readyRead, socket, read);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // A sender that never finishes its message is dropped.
            QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] { socket->abort(); });
            read();
          }
        });
        ok = server_->listen(path);
      },
      Qt::BlockingQueuedConnection);
  listening_ = ok;
  return ok;
}

bool InstanceHandOverServer::offer(const QStringList& paths) {
  std::lock_guard lock(mutex_);
  if (refusing_) return false;
  waiting_.push_back(paths);
  if (!deliveryPosted_) {
    deliveryPosted_ = true;
    QMetaObject::invokeMethod(
        this, [this] { deliverWaiting(); }, Qt::QueuedConnection);
  }
  return true;
}

void InstanceHandOverServer::beginDelivery() {
  {
    std::lock_guard lock(mutex_);
    delivering_ = true;
    deliveryPosted_ = true;
  }
  // Queued: files named to this start itself, opened right after, come first.
  QMetaObject::invokeMethod(
      this, [this] { deliverWaiting(); }, Qt::QueuedConnection);
}

void InstanceHandOverServer::deliverWaiting() {
  std::vector<QStringList> batches;
  {
    std::lock_guard lock(mutex_);
    deliveryPosted_ = false;
    if (!delivering_) return;
    batches.swap(waiting_);
  }
  for (const QStringList& paths : batches) {
    if (paths.isEmpty()) {
      emit raiseRequested();
    } else {
      emit filesOpened(paths);
    }
  }
}

bool InstanceHandOverServer::refuseLaterStarts(bool refuse) {
  std::lock_guard lock(mutex_);
  if (refuse && !waiting_.empty()) return false;
  refusing_ = refuse;
  return true;
}

void InstanceHandOverServer::endTaking() {
  std::lock_guard lock(mutex_);
  refusing_ = true;
  // Taken a moment before the end: at least say which, so that they can be opened again.
  for (const QStringList& paths : waiting_) {
    for (const QString& path : paths)
      qWarning("Not opened as the application ended: %s", qUtf8Printable(path));
  }
  waiting_.clear();
}

HandOverResult HandOverOrListen(const QStringList& paths, int timeoutMs, int quitWaitMs) {
  HandOverResult result;
  const QString path = HandOverSocketPath();
  QElapsedTimer sinceRefused;
  for (;;) {
    // Two starts at once: one becomes the application, the other hands over to it.
    QLockFile lock(path + QStringLiteral(".lock"));
    const bool locked = lock.tryLock(timeoutMs);
    switch (Offer(path, paths, timeoutMs)) {
      case Reply::Taken:
        result.handedOver = true;
        return result;
      case Reply::Silent:
        // It answers but does not take files (hung): run on our own, leaving its socket alone.
        return result;
      case Reply::Refused:
      case Reply::Dropped:
        // It is ending: its settings are written and its socket goes before the process does.
        if (!sinceRefused.isValid()) sinceRefused.start();
        if (sinceRefused.hasExpired(quitWaitMs)) return result;
        lock.unlock();
        QThread::msleep(kQuitPollMs);
        continue;
      case Reply::Nobody:
        break;
    }
    if (!locked) return result;
    // Nobody answers: whatever is at the path is left from an application that has ended.
    QLocalServer::removeServer(path);
    auto server = std::make_unique<InstanceHandOverServer>();
    if (server->listen(path)) result.server = std::move(server);
    return result;
  }
}

void ReceiveHandOvers(AppDelegate& delegate, InstanceHandOverServer* server) {
  if (!server) return;
  const auto raise = [&delegate] {
    MainWindow* window = delegate.window();
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
  };
  QObject::connect(server, &InstanceHandOverServer::filesOpened, &delegate,
                   [&delegate, raise](const QStringList& paths) {
                     delegate.openFiles(paths);
                     raise();
                   });
  QObject::connect(server, &InstanceHandOverServer::raiseRequested, &delegate, raise);
  // A quit refuses later starts rather than take their files and stay: a quit may not be
  // stopped (a logout's signal, a window already closing), while a refused start loses nothing:
  // it opens its files itself once this application has ended.
  QPointer<InstanceHandOverServer> guarded = server;
  delegate.refuseHandOvers = [guarded](bool refuse) {
    return !guarded || guarded->refuseLaterStarts(refuse);
  };
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, server, [server] { server->endTaking(); });
  server->beginDelivery();
}

}  // namespace glimbrik
