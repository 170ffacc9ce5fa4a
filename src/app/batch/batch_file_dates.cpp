#include "app/batch/batch_file_dates.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QFile>

namespace glimbrik {
namespace {

QDateTime FromTimestamp(const struct statx_timestamp& t) {
  return QDateTime::fromMSecsSinceEpoch(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

}  // namespace

std::optional<FileAttributes> GetFileAttributes(const QString& sourcePath, bool preserveCreated,
                                                bool preserveModified) {
  if (!preserveCreated && !preserveModified) return std::nullopt;
  struct statx st {};
  if (statx(AT_FDCWD, QFile::encodeName(sourcePath).constData(), 0, STATX_BTIME | STATX_MTIME,
            &st) != 0) {
    return std::nullopt;
  }
  FileAttributes attributes;
  if (preserveCreated && (st.stx_mask & STATX_BTIME)) {
    attributes.creationDate = FromTimestamp(st.stx_btime);
  }
  if (preserveModified && (st.stx_mask & STATX_MTIME)) {
    attributes.modificationDate = FromTimestamp(st.stx_mtime);
  }
  if (attributes.empty()) return std::nullopt;
  return attributes;
}

bool ApplyFileAttributes(const QString& path, const FileAttributes& attributes) {
  if (!attributes.modificationDate) return true;
  const qint64 ms = attributes.modificationDate->toMSecsSinceEpoch();
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(ms / 1000);
  times[1].tv_nsec = static_cast<long>((ms % 1000) * 1000000);
  if (ms < 0 && times[1].tv_nsec != 0) {
    times[1].tv_sec -= 1;
    times[1].tv_nsec += 1000000000;
  }
  return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

}  // namespace glimbrik
