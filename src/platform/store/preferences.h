#pragma once

#include <QString>
#include <QVariantMap>

namespace glimbrik {

// The path of a preference file: the format's "%@" replaced by the bundle identifier, inside
// PreferencesFolderPath(). Empty when the folder is missing and cannot be created.
QString PreferenceFilePath(const QString& format);

// Loads the preference file named by format (for example "%@-Pref.plist"). True when a
// dictionary was loaded into *out; otherwise *out is left untouched.
bool ReadPreferenceDictionary(QVariantMap* out, const QString& format);

// Replaces the preference file named by format with dictionary, atomically.
bool WritePreferenceDictionary(const QVariantMap& dictionary, const QString& format);

}  // namespace glimbrik
