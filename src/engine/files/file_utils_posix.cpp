// Whole-file reads and writes and the chunked copy, on plain POSIX descriptors.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "engine/files/file_utils.h"
#include "platform/system/unique_fd.h"

namespace glimbrik {

namespace {

constexpr int kShortIo = 5;    // EIO
constexpr int kNoMemory = 12;  // ENOMEM

// Moves all length bytes between buffer and the file at offset with pread or pwrite; false
// when the file ends early or the call fails.
template <typename Buffer, typename Call>
bool TransferAll(Call call, int fd, Buffer buffer, size_t length, off_t offset,
                 const char* shortMessage, int* error) {
  while (length > 0) {
    const ssize_t n = call(fd, buffer, length, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) std::puts(shortMessage);
      *error = kShortIo;
      return false;
    }
    buffer += n;
    length -= size_t(n);
    offset += n;
  }
  return true;
}

bool WriteAll(int fd, const char* buffer, size_t length, off_t offset, int* error) {
  return TransferAll(::pwrite, fd, buffer, length, offset, "writeFile: short write", error);
}

bool ReadAll(int fd, char* buffer, size_t length, off_t offset, int* error) {
  return TransferAll(::pread, fd, buffer, length, offset, "readFile: short read", error);
}

}  // namespace

int writeFile(const char* path, const void* buffer, size_t length) {
  if (!path) return EINVAL;
  UniqueFd fd(::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (!fd.valid()) return errno;
  int error = 0;
  if (!WriteAll(fd.get(), static_cast<const char*>(buffer), length, 0, &error)) return error;
  return fd.close();
}

int readFile(const char* path, QByteArray* data) {
  if (!data) return EINVAL;
  data->clear();
  if (!path) return EINVAL;
  UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  QByteArray buffer;
  try {
    buffer.resize(qsizetype(st.st_size));
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  }
  int error = 0;
  if (!ReadAll(fd.get(), buffer.data(), size_t(buffer.size()), 0, &error)) return error;
  *data = std::move(buffer);
  return 0;
}

int copyFile(const char* source, const char* destination) {
  if (!source || !destination) return EINVAL;
  UniqueFd in(::open(source, O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return errno;
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;

  // The copy goes to a sibling that replaces the destination only once it is complete.
  QByteArray sibling = QFile::encodeName(QFileInfo(QFile::decodeName(destination)).absolutePath()) +
                       "/.glimbrik-copy-XXXXXX";
  UniqueFd out(::mkostemp(sibling.data(), O_CLOEXEC));
  if (!out.valid()) return errno;
  struct stat old {};
  if (::stat(destination, &old) == 0 && S_ISREG(old.st_mode))
    ::fchmod(out.get(), old.st_mode & 07777);

  int error = 0;
  std::vector<char> chunk;
  for (off_t offset = 0; offset < st.st_size && error == 0;) {
    const size_t length = size_t(std::min<off_t>(kCopyChunkBytes, st.st_size - offset));
    try {
      chunk.resize(length);
    } catch (const std::bad_alloc&) {
      error = kNoMemory;
      break;
    }
    if (ReadAll(in.get(), chunk.data(), length, offset, &error) &&
        WriteAll(out.get(), chunk.data(), length, offset, &error)) {
      offset += off_t(length);
    }
  }
  if (error == 0) error = out.close();
  if (error == 0 && ::rename(sibling.constData(), destination) != 0) error = errno;
  if (error != 0) ::unlink(sibling.constData());
  return error;
}

int FileLengthOfURL(const QString& path, qint64* length) {
  UniqueFd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return errno;
  const off_t end = ::lseek(fd.get(), 0, SEEK_END);
  if (end >= 0 && length) *length = end;
  return 0;
}

// ---- strings and paths ----

QString BaseNameOfPath(const QString& path) {
  QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot > 0 && dot < name.size() - 1) name.truncate(dot);
  return name;
}

std::string StdStringFromString(const QString& text) { return text.toStdString(); }

std::string BaseNameStringOfURL(const QString& path, bool* ok) {
  const QString name = BaseNameOfPath(path);
  if (ok) *ok = !name.isEmpty();
  return name.toStdString();
}

std::string PathStdStringOfURL(const QString& path, bool* ok) {
  if (ok) *ok = !path.isEmpty();
  return path.toStdString();
}

std::unique_ptr<char[]> CopyCStringOfString(const QString& text) {
  if (text.isEmpty()) return nullptr;
  const QByteArray utf8 = text.toUtf8();
  auto copy = std::make_unique<char[]>(size_t(utf8.size()) + 1);
  std::memcpy(copy.get(), utf8.constData(), size_t(utf8.size()) + 1);
  return copy;
}

std::unique_ptr<char[]> CopyPathCStringOfURL(const QString& path) {
  return CopyCStringOfString(path);
}

}  // namespace glimbrik
