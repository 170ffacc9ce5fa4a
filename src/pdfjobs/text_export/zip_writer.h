#pragma once

// A small writer of zip archives (deflated entries; an entry named "mimetype" is stored), enough
// for Office Open XML and OpenDocument packages.

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace glimbrik {

using ZipEntry = std::pair<QString, QByteArray>;  // name inside the archive, contents

// The archive of the entries in order; empty when compression fails.
QByteArray ZipArchive(const std::vector<ZipEntry>& entries);

}  // namespace glimbrik
