#pragma once

#include <QFont>
#include <QString>
#include <optional>
#include <vector>

namespace glimbrik {

// One installed face of a font family.
struct FontFamilyMember {
  QString postScriptName;
  QString faceName;  // the style, "Bold Italic"
};

// The installed faces of a family, as fontconfig lists them (regular weights first, then by
// weight and slant); empty for a family that is not installed.
std::vector<FontFamilyMember> AvailableMembersOfFontFamily(const QString& family);

// The installed face of that PostScript name at the default size; none when it is not installed.
std::optional<QFont> FontWithPostScriptName(const QString& postScriptName);

}  // namespace glimbrik
