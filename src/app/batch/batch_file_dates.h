#pragma once

#include <QString>
#include <optional>

#include "platform/metadata/file_attributes.h"

namespace glimbrik {

// The dates of a source that its output keeps, each as its own box says. The modification-date
// box is only enabled with the creation-date box, but a ticked one shown greyed out still keeps
// the date: what the boxes show is what a run does.
std::optional<FileAttributes> GetFileAttributes(const QString& sourcePath, bool preserveCreated,
                                                bool preserveModified);

// Gives a written file the modification date of attributes (Linux cannot set a creation date).
// False when the file's dates could not be changed.
bool ApplyFileAttributes(const QString& path, const FileAttributes& attributes);

}  // namespace glimbrik
