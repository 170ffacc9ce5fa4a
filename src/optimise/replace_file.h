#pragma once

#include <QString>

namespace glimbrik {

// Puts a full copy of source at destination without ever leaving destination missing or half
// written: the bytes go to a new sibling file in destination's folder, which is then renamed
// over it. A destination that is a symbolic link keeps the link and gets its target replaced.
// When permissionsFrom names a file, the copy takes that file's mode, owner and group (the owner
// only where allowed); otherwise it gets the default mode of a new file. On failure destination
// is untouched, the sibling is gone and reason (when given) says why.
bool ReplaceFileSafely(const QString& source, const QString& destination,
                       const QString& permissionsFrom, QString* reason = nullptr);

}  // namespace glimbrik
