#include "platform/pixels/color_profile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace glimbrik {

namespace {

constexpr qint64 kHeaderSize = 128;
// Real profiles are a few kilobytes to a few megabytes; anything far larger is not one.
constexpr qint64 kLargestProfile = 64 * 1024 * 1024;

uint32_t BigEndianWord(const QByteArray& bytes, int at) {
  return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
         (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
}

bool HasProfileSignature(const QByteArray& bytes) {
  return bytes.size() >= kHeaderSize && bytes.mid(36, 4) == QByteArrayLiteral("acsp");
}

// The ICC files of one folder; the system folder is searched with its subfolders.
QStringList ProfileFilesIn(const QString& folder, bool recursive) {
  QStringList files;
  QDirIterator it(folder, {QStringLiteral("*.icc"), QStringLiteral("*.icm")},
                  QDir::Files | QDir::Readable,
                  recursive ? QDirIterator::Subdirectories | QDirIterator::FollowSymlinks
                            : QDirIterator::NoIteratorFlags);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

}  // namespace

QStringList QVXColorProfile::ProfileFolders() {
  const QString home = QDir::homePath();
  QStringList folders{home + QStringLiteral("/.local/share/icc")};
  // A user who moved the data folder keeps profiles there, as other colour tools do.
  const QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (!data.isEmpty()) {
    const QString own = QDir::cleanPath(data + QStringLiteral("/icc"));
    if (!folders.contains(own)) folders << own;
  }
  folders << home + QStringLiteral("/.color/icc") << QStringLiteral("/usr/share/color/icc")
          << QStringLiteral("/usr/local/share/color/icc") << QStringLiteral("/var/lib/color/icc");
  return folders;
}

ColorProfileList QVXColorProfile::arrayOfAllProfiles() {
  ColorProfileList all;
  QSet<QString> seen;  // a folder reached twice through a link lists its files once
  for (const QString& folder : ProfileFolders()) {
    const bool recursive = folder == QLatin1String("/usr/share/color/icc");
    for (const QString& file : ProfileFilesIn(folder, recursive)) {
      const QString canonical = QFileInfo(file).canonicalFilePath();
      if (seen.contains(canonical)) continue;
      seen.insert(canonical);
      if (ColorProfilePtr profile = profileWithPath(file)) all.push_back(std::move(profile));
    }
  }
  return all;
}

ColorProfileList QVXColorProfile::arrayOfAllProfilesWithSpace(uint32_t space) {
  ColorProfileList chosen;
  QSet<QString> names;
  for (ColorProfilePtr& profile : arrayOfAllProfiles()) {
    if (profile->mSpace != space || profile->mName.isEmpty()) continue;
    if (profile->mClass != kDisplayClass && profile->mClass != kOutputClass) continue;
    if (names.contains(profile->mName)) continue;
    names.insert(profile->mName);
    chosen.push_back(std::move(profile));
  }
  return chosen;
}

ColorProfilePtr QVXColorProfile::profileWithSRGB() {
  const std::shared_ptr<const ColorSpace> srgb = ColorSpace::SRGB();
  if (!srgb) return nullptr;
  ColorProfilePtr profile(new QVXColorProfile);
  profile->mClass = kDisplayClass;
  profile->mSpace = kRGBSpace;
  profile->mName = srgb->description();
  profile->mColorspace = srgb;
  profile->mColorspaceMade = true;
  return profile;
}

ColorProfilePtr QVXColorProfile::profileWithPath(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestProfile) return nullptr;
  const QByteArray bytes = file.readAll();
  if (!HasProfileSignature(bytes)) return nullptr;
  ColorProfilePtr profile(new QVXColorProfile);
  profile->mClass = BigEndianWord(bytes, 12);
  profile->mSpace = BigEndianWord(bytes, 16);
  profile->mName = IccProfileDescription(bytes);
  profile->mPath = QFileInfo(path).absoluteFilePath();
  return profile;
}

std::shared_ptr<const ColorSpace> QVXColorProfile::colorspace() const {
  if (!mColorspaceMade) {
    mColorspaceMade = true;
    if (!mPath.isEmpty()) mColorspace = ColorSpace::FromFile(mPath);
  }
  return mColorspace;
}

}  // namespace glimbrik
