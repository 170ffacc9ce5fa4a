#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace glimbrik {

// One installed face of a font family.
struct FontFamilyMember {
  QString postScriptName;
  QString faceName;  // the style, "Bold Italic"
};

// The installed font families by the names fontconfig lists them under, each once, sorted: every
// one has members. A second name for another style in the same language (a subfamily, "DejaVu
// Sans Condensed") is listed too; foundries and generic aliases are not.
QStringList InstalledFontFamilies();

// The installed faces of a family, each once: normal widths first, then the regular weights and
// outward from them by weight, then by slant; empty for a family that is not installed.
std::vector<FontFamilyMember> AvailableMembersOfFontFamily(const QString& family);

// The installed face of that PostScript name at the default size; none when it is not installed.
std::optional<QFont> FontWithPostScriptName(const QString& postScriptName);

}  // namespace glimbrik
