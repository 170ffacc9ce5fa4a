#pragma once

#include <QString>
#include <QVariant>

namespace glimbrik {

// The application's user-defaults domain: the property list "<bundle identifier>.plist" in
// PreferencesFolderPath(). Nothing is registered, so a key that was never set reads as off or
// 0. Safe to use from any thread.
QString UserDefaultsFilePath();

// The stored value; invalid when the key was never set.
QVariant UserDefaultValue(const QString& key);
bool UserDefaultBool(const QString& key);
qint64 UserDefaultInteger(const QString& key);

// Writes the value through to the file at once; false when the file cannot be written.
bool SetUserDefault(const QString& key, const QVariant& value);
bool RemoveUserDefault(const QString& key);

}  // namespace glimbrik
