#pragma once

#include <QString>
#include <optional>

#include "platform/file_attributes.h"

namespace glimbrik {

// The dates of a source that its output keeps. Nothing unless the creation-date box is on (the
// modification-date box is only enabled with it). A file system that keeps no creation date
// still lets the modification date through.
std::optional<FileAttributes> GetFileAttributes(const QString& sourcePath, bool preserveCreated,
                                                bool preserveModified);

// Gives a written file the modification date of attributes (Linux cannot set a creation date).
// False when the file's dates could not be changed.
bool ApplyFileAttributes(const QString& path, const FileAttributes& attributes);

}  // namespace glimbrik
