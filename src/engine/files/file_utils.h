#pragma once

// Small file, naming and system helpers shared by the engine, the batch run, the About panel and
// the PDF jobs. A "URL" here is an absolute file path; an empty string stands for none.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace glimbrik {

// ---- POSIX file helpers: 0 on success, else an errno value (12 out of memory, 5 short I/O) ----

// Creates or truncates path (new files get mode 0600) and writes length bytes of buffer.
int writeFile(const char* path, const void* buffer, size_t length);

// Reads the whole file into *data (cleared first).
int readFile(const char* path, QByteArray* data);

// Copies source to destination in chunks of at most kCopyChunkBytes. The copy is written to a
// sibling file that replaces destination only when complete, so a failed copy leaves an
// existing destination as it was. A replaced destination keeps its permission bits.
inline constexpr qint64 kCopyChunkBytes = 20000000;
int copyFile(const char* source, const char* destination);

// ---- strings and paths ----

// The last path component without its extension ("a/b.c.jpg" gives "b.c").
QString BaseNameOfPath(const QString& path);

std::string BaseNameStringOfURL(const QString& path, bool* ok = nullptr);
std::string StdStringFromString(const QString& text);
std::string PathStdStringOfURL(const QString& path, bool* ok = nullptr);
std::unique_ptr<char[]> CopyPathCStringOfURL(const QString& path);  // null when empty
std::unique_ptr<char[]> CopyCStringOfString(const QString& text);   // null when empty

// Stores the file's length in *length and returns 0, or returns the errno of the failed open
// and leaves *length untouched.
int FileLengthOfURL(const QString& path, qint64* length);

// ---- temporary and collision-free names (nothing is created unless a function says so) ----

// A UUID-named path in the process's private temporary folder; empty when that folder cannot
// be made.
QString TemporaryFileURL();

// A UUID-named path on the same file system as path, so that it can be renamed over it: the
// private temporary folder when that is on the same device, else a private folder (mode 0700,
// removed at exit) next to the item; TemporaryFileURL() when neither works.
QString TemporaryFileURLForURL(const QString& path);

// folder / (prefix + UUID) [. extension]; an empty folder means the private temporary folder.
QString GetTemporaryURLInDirectory(const QString& folder, const QString& prefix,
                                   const QString& extension);

// private temporary folder / "prefix-UUID".
QString GetTemporaryURLWithPrefix(const QString& prefix);

// folder/name.extension, or "name n.extension" for the first free n from start (1 when start is
// 0). With overwrite, an existing regular file under a tried name is removed and its name
// returned; folders are never removed.
QString UniqueFileURL(const QString& folder, const QString& name, const QString& extension,
                      bool overwrite, qint64 start);
// The same, with `taken` deciding whether a name is in use (a caller that has promised names to
// files not yet written adds those).
QString UniqueFileURL(const QString& folder, const QString& name, const QString& extension,
                      bool overwrite, qint64 start,
                      const std::function<bool(const QString& path)>& taken);
QString UniqueFileURLForItem(const QString& folder, const QString& item, const QString& extension,
                             bool overwrite);

// parent/name, or "name n" while those are existing folders (an existing plain file ends the
// search with its name). With create the folder is made; empty when that fails.
QString UniqueFolderURL(const QString& parent, const QString& name, bool create);
QString UniqueFolderURLForItem(const QString& parent, const QString& item, bool create);

// ---- system, bundle and user information ----

// The first non-zero difference (running system minus argument) of major, minor and patch.
// The running system answers as a current desktop: every version-dependent path is taken.
int CompareSystemVersion(int major, int minor, int patch);

QString ApplicationName();          // "-" when missing
QString ApplicationShortVersion();  // "1" when missing
QString ApplicationBuildVersion();  // "1" when missing
QString ApplicationCopyright();     // a fixed line when missing

// The application-support folder plus name (default "QVXApplication"), created when missing;
// empty when it cannot be made.
QString AppSupportFolderWithName(const QString& name = QString());

// The user-defaults value stored under key; invalid when there is none. SetUserDefault and
// RemoveUserDefault are in platform/user_defaults.h.
QVariant GetUserDefault(const QString& key);

// Shows a desktop notification with the default sound; returns at once from any thread.
void DeliverUserNotification(const QString& title, const QString& text);

// ---- text helpers ----

// "1023 B", "1.5 KB", "2.25 MB", "1.000 GB", "1.0000 TB": binary steps of 1024, the same
// text in every locale.
QString FormatByteSize(double bytes);
// The same with steps of 1000.
QString FormatByteSizeDecimal(double bytes);

// Orders two names as a file browser does in locale: case and character width ignored, digit
// runs compared by value, texts that still compare equal put in a fixed order. Returns -1, 0
// (only for identical texts) or 1.
int FinderCompare(const QString& text, const QString& other, const QLocale& locale = QLocale());

// The sum of the sizes of the files below folder, hidden items and links skipped.
quint64 FolderByteSize(const QString& folder);

// ---- renaming and replacing ----

// Renames the item to its name with the first (length of oldPrefix) characters replaced by
// newPrefix, in the same folder; false when the name is shorter than oldPrefix, the new name
// is taken or the move fails.
bool RenameItemByPrefix(const QString& path, const QString& oldPrefix, const QString& newPrefix);

// Renames the folder and then every item below it the same way; false at the first failure.
bool RenameFolderByPrefix(const QString& path, const QString& oldPrefix, const QString& newPrefix);

// Puts a copy of source (or source itself with move) at destination. 1 on success (also for
// empty or equal paths), 0 on failure; an existing destination survives a failed copy.
int ReplaceItemAtURL(const QString& source, const QString& destination, bool move);

// RerenderPDFData is in platform/pdf_rerender.h, next to the PDF library it needs.

}  // namespace glimbrik
