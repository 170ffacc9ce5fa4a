#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <clocale>
#include <string>

#include "engine/files/file_utils.h"
#include "platform/store/folders.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

void WriteBytes(const QString& path, qsizetype count) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  ASSERT_TRUE(test::WriteBytes(path, QByteArray(count, 'x')));
}

TEST(FormatByteSize, GermanLocaleGivesTheSameTexts) {
  const QLocale saved;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const std::string savedC = std::setlocale(LC_ALL, nullptr);
  // The C library may not have a German locale installed; Qt's default locale still changes.
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
    if (std::setlocale(LC_ALL, name)) break;
  }
  const QStringList texts{FormatByteSize(1023),
                          FormatByteSize(1536),
                          FormatByteSize(2.25 * 1048576),
                          FormatByteSize(1073741824.0),
                          FormatByteSize(1024.0 * 1099511627776.0),
                          FormatByteSizeDecimal(999),
                          FormatByteSizeDecimal(1536),
                          FormatByteSizeDecimal(2500000)};
  std::setlocale(LC_ALL, savedC.c_str());
  QLocale::setDefault(saved);
  EXPECT_EQ(texts, QStringList({"1023 B", "1.5 KB", "2.25 MB", "1.000 GB", "1024.0000 TB", "999 B",
                                "1.5 KB", "2.50 MB"}));
}

TEST(SystemInformation, SupportFolderIsMadeOrFailsWithoutEndingTheProcess) {
  const QString made = AppSupportFolderWithName("Cache");
  EXPECT_EQ(made, ApplicationSupportFolderPath() + "/Cache");
  EXPECT_TRUE(QFileInfo(made).isDir());
  EXPECT_TRUE(AppSupportFolderWithName().endsWith("/QVXApplication"));
  WriteBytes(ApplicationSupportFolderPath() + "/Blocked", 1);
  EXPECT_TRUE(AppSupportFolderWithName("Blocked").isEmpty());
}

}  // namespace
}  // namespace glimbrik
