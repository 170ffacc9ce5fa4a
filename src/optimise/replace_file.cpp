#include "optimise/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

#include "platform/system/unique_fd.h"

namespace glimbrik {

namespace {

QString ErrorText(const char* what) {
  return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(strerror(errno)));
}

bool WriteAll(int fd, const char* data, ssize_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, static_cast<size_t>(size));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= written;
  }
  return true;
}

bool CopyContents(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(to, buffer, n)) return false;
  }
}

// O_EXCL with mode 0666 lets the process's umask give a new file its usual mode.
int CreateSibling(const QByteArray& folder, const QByteArray& name, QByteArray& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = folder + "/." + name + "." +
           QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

bool ReplaceFileSafely(const QString& source, const QString& destination,
                       const QString& permissionsFrom, QString* reason) {
  QString why;
  auto fail = [&](const QString& text) {
    if (reason) *reason = text;
    return false;
  };
  QString target = destination;
  const QFileInfo destinationInfo(destination);
  if (destinationInfo.isSymLink()) {
    target = destinationInfo.canonicalFilePath();
    if (target.isEmpty()) return fail(QStringLiteral("dangling symbolic link"));
  }
  const QFileInfo targetInfo(target);
  const QByteArray folder = QFile::encodeName(targetInfo.absolutePath());
  const QByteArray name = QFile::encodeName(targetInfo.fileName());
  const QByteArray targetPath = QFile::encodeName(targetInfo.absoluteFilePath());

  UniqueFd input(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
  if (!input.valid()) return fail(ErrorText("cannot open the new data"));

  QByteArray siblingPath;
  UniqueFd output(CreateSibling(folder, name, siblingPath));
  if (!output.valid()) return fail(ErrorText("cannot create a file beside the destination"));

  bool ok = CopyContents(input.get(), output.get());
  if (!ok) why = ErrorText("cannot copy");
  if (ok && !permissionsFrom.isEmpty()) {
    struct stat from {};
    if (::stat(QFile::encodeName(permissionsFrom).constData(), &from) == 0) {
      // Only a privileged process may give the file away; the mode is set either way.
      if (::fchown(output.get(), from.st_uid, from.st_gid) != 0)
        (void)::fchown(output.get(), -1, from.st_gid);
      ok = ::fchmod(output.get(), from.st_mode & 07777) == 0;
      if (!ok) why = ErrorText("cannot set permissions");
    }
  }
  if (ok && ::fdatasync(output.get()) != 0) {
    ok = false;
    why = ErrorText("cannot flush");
  }
  if (ok && ::close(output.release()) != 0) {
    ok = false;
    why = ErrorText("cannot close");
  }
  if (ok && ::rename(siblingPath.constData(), targetPath.constData()) != 0) {
    ok = false;
    why = ErrorText("cannot rename");
  }
  if (!ok) {
    ::unlink(siblingPath.constData());
    return fail(why);
  }
  return true;
}

}  // namespace glimbrik
