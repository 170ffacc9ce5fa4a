#include "app/window/instance_hand_over.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

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
constexpr char kAccepted = '1';

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
    : QObject(parent), server_(new QLocalServer(this)) {
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      // A sender that never finishes its message is dropped.
      QTimer::singleShot(kReceiveTimeoutMs, socket, [socket] { socket->abort(); });
      readMessage(socket);
    }
  });
}

InstanceHandOverServer::~InstanceHandOverServer() = default;

bool InstanceHandOverServer::isListening() const { return server_->isListening(); }

bool InstanceHandOverServer::listen(const QString& path) { return server_->listen(path); }

void InstanceHandOverServer::readMessage(QLocalSocket* socket) {
  if (socket->bytesAvailable() > kMaxMessageBytes) {
    socket->abort();
    return;
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
    return;
  }
  QStringList paths;
  for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
    QByteArray bytes;
    in >> bytes;
    if (!bytes.isEmpty()) paths << PathFromRawBytes(bytes);
  }
  if (!in.commitTransaction()) {
    if (in.status() != QDataStream::ReadPastEnd) socket->abort();
    return;  // the rest of the message is still on its way
  }
  socket->write(&kAccepted, 1);
  socket->flush();
  socket->disconnectFromServer();
  if (count == 0) {
    emit raiseRequested();
  } else {
    emit filesOpened(paths);
  }
}

HandOverResult HandOverOrListen(const QStringList& paths, int timeoutMs) {
  HandOverResult result;
  const QString path = HandOverSocketPath();
  // Two starts at once: one becomes the application, the other hands over to it.
  QLockFile lock(path + QStringLiteral(".lock"));
  const bool locked = lock.tryLock(timeoutMs);

  QLocalSocket socket;
  socket.connectToServer(path);
  if (socket.waitForConnected(timeoutMs)) {
    socket.write(Message(paths));
    QByteArray answer;
    if (socket.waitForBytesWritten(timeoutMs)) {
      while (answer.isEmpty() && socket.waitForReadyRead(timeoutMs)) answer = socket.read(1);
    }
    if (answer.size() == 1 && answer[0] == kAccepted) {
      result.handedOver = true;
      return result;
    }
    // It answers but does not take files (hung): run on our own, leaving its socket alone.
    return result;
  }
  if (!locked) return result;
  // Nobody answers: whatever is at the path is left from an application that has ended.
  QLocalServer::removeServer(path);
  auto server = std::make_unique<InstanceHandOverServer>();
  if (server->listen(path)) result.server = std::move(server);
  return result;
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
}

}  // namespace glimbrik
