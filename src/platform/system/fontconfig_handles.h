#pragma once

// Owned fontconfig handles and pattern readers for the font code of this folder.

#include <fontconfig/fontconfig.h>

#include <QString>
#include <memory>

namespace glimbrik {

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetDeleter {
  void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};
using PatternHandle = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetHandle = std::unique_ptr<FcFontSet, FontSetDeleter>;
using ObjectSetHandle = std::unique_ptr<FcObjectSet, ObjectSetDeleter>;

// The pattern's first string for object; empty when it has none.
inline QString PatternText(FcPattern* pattern, const char* object) {
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, 0, &value) != FcResultMatch || !value) return QString();
  return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

}  // namespace glimbrik
