#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace glimbrik {

// The folder a source's output goes to. With mirroring, a file found below the folder it was
// added with keeps its sub-folders below the destination root; anything else, or a folder that
// cannot be made, lands in the root itself.
QString GetDestinationFolderURL(const QString& sourcePath, const QString& destinationRoot,
                                const QString& parentFolder, bool maintainDirectory);

// A name built from tokens made safe for one path component: "/" becomes ":", control
// characters go, bytes of a source name that are not UTF-8 become U+FFFD. May come back empty, ".",
// or ".."; MakeBaseNameFit refuses those.
QString SanitizeFileName(const QString& name);

// The longest prefix of name, cut between characters, whose UTF-8 form is at most maxBytes.
QString CutToByteLength(const QString& name, qsizetype maxBytes);

// The longest name a file in folder may have, in bytes.
qsizetype FileNameLimit(const QString& folder);

// The output file for a source: folder/name.extension, where name is the given base name or,
// when none (or one that cannot name a file), the source's name without its extension. Unless
// overwriting, an existing name gets " 1", " 2" ... before the extension. The base name is cut
// so that the whole name fits the file system.
// `taken`, when given, decides whether a name is in use instead of the file system alone.
QString GetDestinationFileURL(const QString& sourcePath, const QString& folder,
                              const std::optional<QString>& baseName, const QString& extension,
                              bool overwrite,
                              const std::function<bool(const QString& path)>& taken = {});

}  // namespace glimbrik
