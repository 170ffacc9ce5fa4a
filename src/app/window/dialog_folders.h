#pragma once

#include <QString>

namespace glimbrik {

// The folders the file dialogs open in: the one last used for that dialog in this session, else
// the home folder; never the process's working folder, which means nothing to the user.
enum class DialogFolder { Add, Destination };

QString DialogStartFolder(DialogFolder dialog);
// The folder a dialog ended in: a chosen folder itself, or the folder of a chosen file.
void RememberDialogFolder(DialogFolder dialog, const QString& chosenPath);

}  // namespace glimbrik
