#pragma once

#include <QString>

namespace glimbrik {

// The user's preferences folder (stands in for Library/Preferences). GLIMBRIK_PREFERENCES_DIR
// overrides it so that tests never touch the real home folder. Not created here.
QString PreferencesFolderPath();

// The application-support folder. GLIMBRIK_SUPPORT_DIR overrides it. Not created here.
QString SupportFolderPath();

// The folder that holds SupportFolderPath() and its siblings (the user's application-support
// folder). Not created here.
QString ApplicationSupportFolderPath();

// A private folder of this process (mode 0700) under the system's temporary folder, created on
// first use and removed with its contents when the process exits normally. Empty on failure.
QString PrivateTempFolder();

// A new path in PrivateTempFolder() with a UUID name and the given extension (no dot);
// nothing is created. Empty when the private folder cannot be made.
QString NewTemporaryPath(const QString& extension = QString());

// A new UUID as upper-case text without braces, the form temporary names use.
QString NewUuidString();

}  // namespace glimbrik
