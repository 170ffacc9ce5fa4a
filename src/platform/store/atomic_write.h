#pragma once

#include <QByteArray>
#include <QString>

namespace glimbrik {

// Writes the bytes to a sibling of `path` and renames it over `path`, so that a failure (a full
// disk, an unwritable folder) leaves any old file as it was. False, with `error` filled when
// given, on any failure.
bool WriteFileAtomically(const QString& path, const char* data, qint64 size,
                         QString* error = nullptr);

inline bool WriteFileAtomically(const QString& path, const QByteArray& bytes,
                                QString* error = nullptr) {
  return WriteFileAtomically(path, bytes.constData(), bytes.size(), error);
}

}  // namespace glimbrik
