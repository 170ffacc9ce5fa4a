#pragma once

// Binary property lists ("bplist00"), the form documents such as web archives are stored in.
// Values come back as ReadPlistData gives them (see plist.h); a UID reads as its integer.

#include <QByteArray>

#include "platform/store/plist.h"

namespace glimbrik {

PlistResult ReadBinaryPlistData(const QByteArray& bytes);

}  // namespace glimbrik
