#pragma once

// Keyed archives: how objects (token arrays, fonts, colours, index sets) are stored as data
// values inside preference files and how a token travels on the clipboard.
//
// An archive is the bytes of an XML property list (platform/plist.h) whose root dictionary is
//
//   "$archiver"  "GlimbrikKeyedArchive"
//   "$version"   1
//   "$root"      the archived value
//
// An archived value is a plain property-list value (string, integer, real, boolean, date,
// data, an array of archived values, or a dictionary without "$class"), or an object: a
// dictionary whose "$class" string names the object's class and whose other keys are the
// object's own coding keys, with archived values. A token array is thus an array of strings
// and token objects, for example
//
//   [ "Photo-", { "$class": "QVXWatermarkTextToken", "Name": "Index", "TokenTag": 1,
//                 "CaseTag": 0, "StartDigit": 1, "NumberLength": 3 } ]
//
// (a key whose value is absent, like a token's missing date format, is left out). Classes
// with ready encoders below:
//
//   "Font"      "PostScriptName" string; "Size" real, points, 0 for the default size;
//               "Family" and "Style" strings, used when the PostScript name is not installed
//   "Color"     "ColorSpace" string, one of "RGB" (sRGB), "ExtendedRGB", "CMYK", "Gray";
//               "Components" array of reals, the colour space's components then alpha;
//               an invalid colour has no "Components"
//   "IndexSet"  "Ranges" array of [location, length] integer pairs, sorted, disjoint and
//               not touching; an empty set has an empty array
//
// A decoder takes what it knows and ignores keys it does not know, so later versions may add
// keys without breaking older files.

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

#include "platform/store/plist.h"

namespace glimbrik {

inline constexpr char kArchiveClassKey[] = "$class";

// An object value: keys plus "$class" = className.
QVariantMap ArchivedObject(const QString& className, QVariantMap keys = QVariantMap());

// The class name of an object value; empty for a plain value.
QString ArchivedClassName(const QVariant& value);

// The archive bytes of a value, or the reason it cannot be stored.
PlistData ArchiveRootValue(const QVariant& root);

// The value stored in an archive; fails for bytes that are not one of our archives.
PlistResult UnarchiveRootValue(const QByteArray& archive);

// Fonts. The PostScript name comes from fontconfig's match for the font; decoding resolves it
// back through fontconfig, then the stored family and style, then the default font.
QVariantMap EncodeFont(const QFont& font);
std::optional<QFont> DecodeFont(const QVariant& object);  // nullopt when not a font object
QByteArray ArchiveFont(const QFont& font);
std::optional<QFont> UnarchiveFont(const QByteArray& archive);

// The PostScript name of the installed face that fontconfig chooses for font; empty when none.
QString FontPostScriptName(const QFont& font);
// The fontconfig family of that face; empty when none.
QString FontFamilyName(const QFont& font);

// Colours. HSV and HSL colours are stored as RGB.
QVariantMap EncodeColor(const QColor& color);
std::optional<QColor> DecodeColor(const QVariant& object);  // nullopt when not a colour object
QByteArray ArchiveColor(const QColor& color);
std::optional<QColor> UnarchiveColor(const QByteArray& archive);

// Index sets, given as non-negative indexes in any order (duplicates collapse); decoded sorted.
QVariantMap EncodeIndexSet(const QList<qint64>& indexes);
std::optional<QList<qint64>> DecodeIndexSet(const QVariant& object);  // nullopt when malformed
QByteArray ArchiveIndexSet(const QList<qint64>& indexes);
std::optional<QList<qint64>> UnarchiveIndexSet(const QByteArray& archive);

}  // namespace glimbrik
