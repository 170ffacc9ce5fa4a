#pragma once

#include <QString>

namespace glimbrik {

// The English text stored under key in the localisation table (the resource
// "Localizable.plist"); the key itself when the table has no such key.
//
// Texts that take arguments carry Qt's numbered place markers, %1, %2, ... in the order in
// which the caller supplies the values, and are filled with QString::arg, for example
//   LocalizedString("Converting").arg(index).arg(count).arg(name)
// A text whose key holds a "%@" (an English status text used as its own key) takes its
// arguments the same way: LocalizedString("Started %@").arg(tool).
QString LocalizedString(const char* key);
QString LocalizedString(const QString& key);

}  // namespace glimbrik
