#include "platform/system/font_members.h"

#include <algorithm>
#include <memory>

#include "platform/store/keyed_archive.h"
#include "platform/system/fontconfig_handles.h"

namespace glimbrik {

namespace {

int PatternInteger(FcPattern* pattern, const char* object, int fallback) {
  int value = fallback;
  FcPatternGetInteger(pattern, object, 0, &value);
  return value;
}

QString PatternTextAt(FcPattern* pattern, const char* object, int index, const QString& fallback) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, index, &value) != FcResultMatch || !value)
    return fallback;
  return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

}  // namespace

QStringList InstalledFontFamilies() {
  QStringList families;
  PatternHandle pattern(FcPatternCreate());
  ObjectSetHandle objects(FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, nullptr));
  if (!pattern || !objects) return families;
  FontSetHandle set(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!set) return families;
  for (int i = 0; i < set->nfont; ++i) {
    FcPattern* font = set->fonts[i];
    const QString family = PatternText(font, FC_FAMILY);
    if (family.isEmpty()) continue;
    families << family;
    const QString language = PatternText(font, FC_FAMILYLANG);
    const QString style = PatternText(font, FC_STYLE);
    for (int k = 1;; ++k) {
      const QString other = PatternTextAt(font, FC_FAMILY, k, QString());
      if (other.isEmpty()) break;
      // Another language's name is a translation, the same style's an alias.
      if (PatternTextAt(font, FC_FAMILYLANG, k, language) == language &&
          PatternTextAt(font, FC_STYLE, k, style) != style)
        families << other;
    }
  }
  families.removeDuplicates();
  std::sort(families.begin(), families.end());
  return families;
}

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
    faces.push_back({{PatternText(font, FC_POSTSCRIPT_NAME), PatternText(font, FC_STYLE)},
                     PatternInteger(font, FC_WIDTH, FC_WIDTH_NORMAL),
                     PatternInteger(font, FC_WEIGHT, FC_WEIGHT_REGULAR),
                     PatternInteger(font, FC_SLANT, FC_SLANT_ROMAN)});
  }
  // fontconfig lists in no stated order; a font menu lists by width, then from the regular
  // weights outward, so that a family's first face is its plain one or the nearest to it.
  const auto fromRegular = [](const Face& f) {
    return f.weight < FC_WEIGHT_BOOK      ? FC_WEIGHT_BOOK - f.weight
           : f.weight > FC_WEIGHT_REGULAR ? f.weight - FC_WEIGHT_REGULAR
                                          : 0;
  };
  std::stable_sort(faces.begin(), faces.end(), [&](const Face& a, const Face& b) {
    const int wa = std::abs(a.width - FC_WIDTH_NORMAL);
    const int wb = std::abs(b.width - FC_WIDTH_NORMAL);
    if (wa != wb) return wa < wb;
    if (fromRegular(a) != fromRegular(b)) return fromRegular(a) < fromRegular(b);
    if (a.weight != b.weight) return a.weight < b.weight;
    return a.slant < b.slant;
  });
  // A face installed in several formats may say a different width or weight in each; the one
  // that sorts first stands for it.
  const auto same = [](const FontFamilyMember& a, const FontFamilyMember& b) {
    if (a.postScriptName.isEmpty() && b.postScriptName.isEmpty()) return a.faceName == b.faceName;
    return a.postScriptName == b.postScriptName;
  };
  for (Face& face : faces) {
    if (std::none_of(members.begin(), members.end(),
                     [&](const FontFamilyMember& m) { return same(m, face.member); }))
      members.push_back(std::move(face.member));
  }
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
