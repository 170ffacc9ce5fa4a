#include "platform/font_members.h"

#include <algorithm>
#include <memory>

#include "platform/fontconfig_handles.h"
#include "platform/keyed_archive.h"

namespace glimbrik {

namespace {

int PatternInteger(FcPattern* pattern, const char* object, int fallback) {
  int value = fallback;
  FcPatternGetInteger(pattern, object, 0, &value);
  return value;
}

}  // namespace

std::vector<FontFamilyMember> AvailableMembersOfFontFamily(const QString& family) {
  std::vector<FontFamilyMember> members;
  if (family.isEmpty()) return members;
  PatternHandle pattern(FcPatternCreate());
  if (!pattern) return members;
  const QByteArray name = family.toUtf8();
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
  ObjectSetHandle objects(
      FcObjectSetBuild(FC_POSTSCRIPT_NAME, FC_STYLE, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr));
  if (!objects) return members;
  FontSetHandle set(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!set) return members;
  struct Face {
    FontFamilyMember member;
    int width, weight, slant;
  };
  std::vector<Face> faces;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    const QString postScript = PatternText(font, FC_POSTSCRIPT_NAME);
    if (std::any_of(faces.begin(), faces.end(),
                    [&](const Face& f) { return f.member.postScriptName == postScript; }))
      continue;
    faces.push_back({{postScript, PatternText(font, FC_STYLE)},
                     PatternInteger(font, FC_WIDTH, FC_WIDTH_NORMAL),
                     PatternInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR),
                     PatternInteger(font, FC_SLANT, FC_SLANT_ROMAN)});
  }
  // fontconfig lists in no stated order; a font menu lists by width, weight and slant.
  std::stable_sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) {
    const int wa = std::abs(a.width - FC_WIDTH_NORMAL);
    const int wb = std::abs(b.width - FC_WIDTH_NORMAL);
    if (wa != wb) return wa < wb;
    if (a.weight != b.weight) return a.weight < b.weight;
    return a.slant < b.slant;
  });
  for (Face& face : faces) members.push_back(std::move(face.member));
  return members;
}

std::optional<QFont> FontWithPostScriptName(const QString& postScriptName) {
  if (postScriptName.isEmpty()) return std::nullopt;
  PatternHandle pattern(FcPatternCreate());
  if (!pattern) return std::nullopt;
  const QByteArray name = postScriptName.toUtf8();
  FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                     reinterpret_cast<const FcChar8*>(name.constData()));
  ObjectSetHandle objects(FcObjectSetBuild(FC_FAMILY, nullptr));
  if (!objects) return std::nullopt;
  FontSetHandle set(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!set || set->nfont < 1) return std::nullopt;
  QVariantMap keys;
  keys.insert(QStringLiteral("PostScriptName"), postScriptName);
  keys.insert(QStringLiteral("Size"), 0.0);
  return DecodeFont(ArchivedObject(QStringLiteral("Font"), keys));
}

}  // namespace glimbrik
