#include <gtest/gtest.h>

#include <QMimeDatabase>
#include <QSet>
#include <algorithm>

#include "support/test_env.h"

namespace glimbrik {
namespace {

// The MIME types the installed desktop entry offers the program for.
QSet<QString> OfferedTypes() {
  const QString entry =
      QString::fromUtf8(test::ReadBytes(test::DataPath("../../src/app/glimbrik.desktop")));
  for (const QString& line : entry.split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("MimeType="))) {
      const QStringList types =
          line.mid(int(qstrlen("MimeType="))).split(QLatin1Char(';'), Qt::SkipEmptyParts);
      return QSet<QString>(types.begin(), types.end());
    }
  }
  return {};
}

// A file manager offers the program for the files it reads, camera raw and HEIF included; a
// type is matched by its name or one of its aliases, as the MIME database knows them.
TEST(DesktopEntry, OffersTheProgramForEveryKindOfPictureItReads) {
  const QSet<QString> offered = OfferedTypes();
  ASSERT_FALSE(offered.isEmpty());
  const QMimeDatabase mime;
  for (const QString& type : offered) {
    EXPECT_TRUE(mime.mimeTypeForName(type).isValid()) << type.toStdString();
  }
  for (const char* extension :
       {"jpg", "png", "tif", "gif", "webp", "bmp", "jp2", "psd", "heic", "heif",
        "exr", "dng", "cr2", "cr3", "crw",  "nef", "nrw", "orf", "raf",  "arw",
        "sr2", "srf", "rw2", "raw", "pef",  "mrw", "dcr", "kdc", "k25",  "x3f"}) {
    const QMimeType type = mime.mimeTypeForFile(QStringLiteral("a.") + QLatin1String(extension),
                                                QMimeDatabase::MatchExtension);
    ASSERT_FALSE(type.isDefault()) << extension;
    QStringList names = type.aliases();
    names << type.name();
    EXPECT_TRUE(std::any_of(names.begin(), names.end(),
                            [&](const QString& name) { return offered.contains(name); }))
        << extension << " is " << type.name().toStdString();
  }
  EXPECT_TRUE(offered.contains(QStringLiteral("image/heic")));
}

// Offering folders would make the program the desktop's folder opener, ahead of the file
// manager; folders still open from the command line and by a drop.
TEST(DesktopEntry, DoesNotOfferToOpenFolders) {
  const QSet<QString> offered = OfferedTypes();
  ASSERT_FALSE(offered.isEmpty());
  EXPECT_FALSE(offered.contains(QStringLiteral("inode/directory")));
}

}  // namespace
}  // namespace glimbrik
