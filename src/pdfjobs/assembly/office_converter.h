#pragma once

// Office documents through LibreOffice run headless as a child process.

#include <QString>

namespace glimbrik {

// Converts source with a LibreOffice export filter ("html", "doc" ...) into outputFolder, where
// the result takes the source's base name (and a converted HTML page its pictures). Each call
// runs its own LibreOffice with a private profile, ended after timeoutSeconds. Returns the
// written file; empty when LibreOffice is not installed, fails, or writes nothing.
QString ConvertWithOffice(const QString& source, const QString& filter, const QString& outputFolder,
                          int timeoutSeconds = 120);

// True when the LibreOffice executable is on PATH.
bool OfficeConverterAvailable();

}  // namespace glimbrik
