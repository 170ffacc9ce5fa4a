#pragma once

// The installed ICC profiles that the conversion panel offers as targets. On this system the
// "installed profiles" are the ICC files of the usual colour folders (see ProfileFolders()).

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/pixels/color_space.h"

namespace glimbrik {

// Four-character codes of the ICC header, as the header stores them (big-endian).
constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
         (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}
inline constexpr uint32_t kDisplayClass = FourCharCode("mntr");
inline constexpr uint32_t kOutputClass = FourCharCode("prtr");
inline constexpr uint32_t kRGBSpace = FourCharCode("RGB ");
inline constexpr uint32_t kCMYKSpace = FourCharCode("CMYK");
inline constexpr uint32_t kGraySpace = FourCharCode("GRAY");

class QVXColorProfile;
using ColorProfilePtr = std::shared_ptr<QVXColorProfile>;
using ColorProfileList = std::vector<ColorProfilePtr>;

// One installed profile: its file, the device class and data colour space from the header, and
// its description. The colour space is made when first asked for. Not thread-safe: the GUI
// thread owns the profile lists.
class QVXColorProfile {
 public:
  // Every readable profile of the profile folders, folder by folder, files in name order.
  static ColorProfileList arrayOfAllProfiles();
  // The display and output profiles of one data colour space, unique by description.
  static ColorProfileList arrayOfAllProfilesWithSpace(uint32_t space);
  // The folders searched, in order: the user's, then the system's (searched recursively).
  static QStringList ProfileFolders();

  // The built-in sRGB profile (display class, no file).
  static ColorProfilePtr profileWithSRGB();
  // Null when the file is not a readable ICC profile.
  static ColorProfilePtr profileWithPath(const QString& path);

  uint32_t classType() const { return mClass; }
  uint32_t spaceType() const { return mSpace; }
  const QString& description() const { return mName; }
  // The file's absolute path; empty for the built-in sRGB profile.
  const QString& path() const { return mPath; }
  // Null when the profile cannot serve as a conversion target.
  std::shared_ptr<const ColorSpace> colorspace() const;
  // Profiles are the same when their paths are.
  bool isEqual(const QVXColorProfile& other) const { return mPath == other.mPath; }

 private:
  QVXColorProfile() = default;
  uint32_t mClass = 0;
  uint32_t mSpace = 0;
  QString mName;
  QString mPath;
  mutable std::shared_ptr<const ColorSpace> mColorspace;
  mutable bool mColorspaceMade = false;
};

}  // namespace glimbrik
