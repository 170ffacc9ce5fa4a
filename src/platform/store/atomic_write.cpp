#include "platform/store/atomic_write.h"

#include <QSaveFile>

namespace glimbrik {

bool WriteFileAtomically(const QString& path, const char* data, qint64 size, QString* error) {
  QSaveFile file(path);
  // Unbuffered, a write cut short shows in write()'s count; through Qt's buffer the partial
  // flush at commit would pass as success and replace the file with its first bytes.
  const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                  file.write(data, size) == size && file.commit();
  if (!ok && error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
  return ok;
}

}  // namespace glimbrik
