#include "platform/store/localization.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QRegularExpression>
#include <QSet>

#include "platform/store/bundle_resources.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// Every literal key the sources pass to LocalizedString, read from the sources themselves.
QSet<QString> KeysAskedForBySources() {
  QSet<QString> keys;
  const QString call = QStringLiteral("LocalizedString(");
  QDirIterator files(test::DataPath(QStringLiteral("../../src")), {"*.cpp", "*.h"}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) {
    const QString text = QString::fromUtf8(test::ReadBytes(files.next()));
    for (qsizetype at = text.indexOf(call); at >= 0; at = text.indexOf(call, at + 1)) {
      // Every string literal inside the call's parentheses, as in "a ? "One" : "Many"".
      int depth = 1;
      for (qsizetype i = at + call.size(); i < text.size() && depth > 0; ++i) {
        if (text[i] == QLatin1Char('"')) {
          const qsizetype end = text.indexOf(QLatin1Char('"'), i + 1);
          keys.insert(text.mid(i + 1, end - i - 1));
          i = end;
        } else if (text[i] == QLatin1Char('(')) {
          ++depth;
        } else if (text[i] == QLatin1Char(')')) {
          --depth;
        }
      }
    }
  }
  return keys;
}

// A key shaped like an identifier would show its own name to the user, and a key that is
// English text ("Apply", "Start number:") could not be translated: every key has its entry.
TEST(Localization, EveryKeyTheApplicationShowsIsInTheTable) {
  const QVariantMap table = ReadBundlePlist(QStringLiteral("Localizable")).value.toMap();
  ASSERT_FALSE(table.isEmpty());
  QSet<QString> keys = KeysAskedForBySources();
  ASSERT_GT(keys.size(), 60);
  ASSERT_TRUE(keys.contains(QStringLiteral("FailureSingleFileConvertMsg")));  // inside a ?:
  // The option groups' titles reach LocalizedString through a table of names.
  for (const char* key : {"ConversionOptionTitle", "OptimizationOptionTitle", "RenameOptionTitle",
                          "ResizeOptionTitle", "TextWatermarkOptionTitle",
                          "ImageWatermarkOptionTitle", "EffectOptionTitle"}) {
    keys.insert(QString::fromLatin1(key));
  }
  EXPECT_EQ(LocalizedString("NoSuchKeyAnywhere"), QStringLiteral("NoSuchKeyAnywhere"));
  for (const QString& key : keys) {
    EXPECT_FALSE(LocalizedString(key).isEmpty()) << key.toStdString();
    EXPECT_EQ(table.value(key).typeId(), QMetaType::QString) << key.toStdString();
  }
}

// The callers fill formats with QString::arg: markers %1 to %n without a gap, and none of the
// other platform's "%@" left behind, or values would be dropped or misplaced.
TEST(Localization, FormatsCarryOneMarkerPerArgument) {
  const QVariantMap table = ReadBundlePlist(QStringLiteral("Localizable")).value.toMap();
  static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
  int formats = 0;
  for (const QString& key : table.keys()) {
    const QString text = LocalizedString(key);
    QList<int> found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
      found.append(it.next().captured(1).toInt());
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    formats += found.isEmpty() ? 0 : 1;
    for (int i = 0; i < found.size(); ++i) EXPECT_EQ(found[i], i + 1) << key.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("%@"))) << key.toStdString();
  }
  EXPECT_GT(formats, 10);
  EXPECT_EQ(LocalizedString("Converting").arg(3).arg(10).arg(QStringLiteral("a.jpg")),
            QStringLiteral("Converting 3 of 10 a.jpg"));
}

}  // namespace
}  // namespace glimbrik
