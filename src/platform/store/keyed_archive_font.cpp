// Font archives: fonts are stored by PostScript name, which fontconfig maps to and from the
// family and style that QFont understands.
#include <QFontDatabase>
#include <QFontInfo>
#include <memory>

#include "platform/store/keyed_archive.h"
#include "platform/system/fontconfig_handles.h"

namespace glimbrik {

namespace {

struct FaceNames {
  QString postScriptName;
  QString family;
  QString style;
};

FaceNames MatchFace(const QFont& font) {
  PatternHandle pattern(FcPatternCreate());
  if (!pattern) return {};
  const QFontInfo info(font);
  // Qt names a family that several foundries offer "Family [foundry]"; fontconfig, which would
  // take that for an unknown family and substitute another, knows it by the family alone.
  QString qtFamily = info.family();
  if (qtFamily.endsWith(QLatin1Char(']'))) {
    const qsizetype open = qtFamily.lastIndexOf(QLatin1String(" ["));
    if (open > 0) qtFamily.truncate(open);
  }
  const QByteArray family = qtFamily.toUtf8();
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(family.constData()));
  if (!font.styleName().isEmpty()) {
    const QByteArray style = font.styleName().toUtf8();
    FcPatternAddString(pattern.get(), FC_STYLE,
                       reinterpret_cast<const FcChar8*>(style.constData()));
  } else {
    // Qt's weights are the OpenType ones (100-900).
    FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(info.weight()));
    FcPatternAddInteger(pattern.get(), FC_SLANT, info.italic() ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  }
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  PatternHandle match(FcFontMatch(nullptr, pattern.get(), &result));
  if (!match) return {};
  return {PatternText(match.get(), FC_POSTSCRIPT_NAME), PatternText(match.get(), FC_FAMILY),
          PatternText(match.get(), FC_STYLE)};
}

// Family and style of the installed face with that PostScript name; empty when none.
FaceNames FindFace(const QString& postScriptName) {
  if (postScriptName.isEmpty()) return {};
  PatternHandle pattern(FcPatternCreate());
  if (!pattern) return {};
  const QByteArray name = postScriptName.toUtf8();
  FcPatternAddString(pattern.get(), FC_POSTSCRIPT_NAME,
                     reinterpret_cast<const FcChar8*>(name.constData()));
  ObjectSetHandle objects(FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_POSTSCRIPT_NAME, nullptr));
  if (!objects) return {};
  FontSetHandle set(FcFontList(nullptr, pattern.get(), objects.get()));
  if (!set || set->nfont < 1) return {};
  return {postScriptName, PatternText(set->fonts[0], FC_FAMILY),
          PatternText(set->fonts[0], FC_STYLE)};
}

QFont FontFromFamilyAndStyle(const QString& family, const QString& style, double size) {
  QFont font;
  if (!family.isEmpty()) {
    font = style.isEmpty() ? QFont(family) : QFontDatabase::font(family, style, 12);
    if (font.family().isEmpty()) font = QFont(family);
  }
  font.setPointSizeF(size > 0 ? size : QFont().pointSizeF());
  return font;
}

}  // namespace

QString FontPostScriptName(const QFont& font) { return MatchFace(font).postScriptName; }

QString FontFamilyName(const QFont& font) { return MatchFace(font).family; }

QVariantMap EncodeFont(const QFont& font) {
  const FaceNames face = MatchFace(font);
  QVariantMap keys;
  keys.insert(QStringLiteral("PostScriptName"), face.postScriptName);
  keys.insert(QStringLiteral("Family"), face.family.isEmpty() ? font.family() : face.family);
  keys.insert(QStringLiteral("Style"), face.style);
  keys.insert(QStringLiteral("Size"), font.pointSizeF() > 0 ? font.pointSizeF() : 0.0);
  return ArchivedObject(QStringLiteral("Font"), keys);
}

std::optional<QFont> DecodeFont(const QVariant& object) {
  if (ArchivedClassName(object) != QLatin1String("Font")) return std::nullopt;
  const QVariantMap keys = object.toMap();
  const double size = keys.value(QStringLiteral("Size")).toDouble();
  const FaceNames face = FindFace(keys.value(QStringLiteral("PostScriptName")).toString());
  if (!face.family.isEmpty()) return FontFromFamilyAndStyle(face.family, face.style, size);
  return FontFromFamilyAndStyle(keys.value(QStringLiteral("Family")).toString(),
                                keys.value(QStringLiteral("Style")).toString(), size);
}

QByteArray ArchiveFont(const QFont& font) { return ArchiveRootValue(EncodeFont(font)).data; }

std::optional<QFont> UnarchiveFont(const QByteArray& archive) {
  const PlistResult root = UnarchiveRootValue(archive);
  if (!root.ok()) return std::nullopt;
  return DecodeFont(root.value);
}

}  // namespace glimbrik
