#pragma once

#include <QDateTime>
#include <optional>

namespace glimbrik {

// The file attributes that are carried from a source to its output: only the dates.
// Linux cannot set a creation date, so creationDate is read and kept for callers but never applied.
struct FileAttributes {
  std::optional<QDateTime> creationDate;
  std::optional<QDateTime> modificationDate;

  bool empty() const { return !creationDate && !modificationDate; }
};

}  // namespace glimbrik
