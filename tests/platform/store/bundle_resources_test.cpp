#include "platform/store/bundle_resources.h"

#include <gtest/gtest.h>

#include <QFile>

#include "platform/store/bundle.h"
#include "platform/store/date_format.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(BundleResources, ListsAreFoundByNameWithOrWithoutTheirEnding) {
  const PlistResult result = ReadBundlePlist(QStringLiteral("ImageExtension"));
  ASSERT_TRUE(result.ok()) << result.error.toStdString();
  const QVariantList list = result.value.toList();
  ASSERT_EQ(list.size(), 25);  // one per output type
  for (const QVariant& item : list) EXPECT_FALSE(item.toString().isEmpty());
  EXPECT_EQ(ReadBundlePlist(QStringLiteral("ImageExtension.plist")).value, result.value);
  EXPECT_FALSE(ReadBundlePlist(QStringLiteral("NoSuchList")).ok());

  const QString credits = BundleResourcePath(QStringLiteral("Credits"), QStringLiteral("txt"));
  EXPECT_TRUE(test::ReadBytes(credits).contains("Glimbrik"));
  EXPECT_TRUE(
      BundleResourcePath(QStringLiteral("NoSuchResource"), QStringLiteral("txt")).isEmpty());
}

// Each format list is an array of groups of {"title", "tag", "info"} whose titles are date
// patterns our formatter takes; the formats new tokens start with are among them.
TEST(BundleResources, DateAndTimeFormatListsHoldValidPatterns) {
  const QDateTime moment(QDate(2021, 5, 4), QTime(15, 6, 7), Qt::LocalTime);
  const struct {
    const char* list;
    const char* first;
    bool forNames;  // rename patterns become parts of file names
  } lists[] = {{"dateformats", "dd/MM/yyyy", false},
               {"timeFormatsForRename", "HH", true},
               {"timeFormatsForWatermark", "HH", false}};
  for (const auto& [name, first, forNames] : lists) {
    SCOPED_TRACE(name);
    const PlistResult result = ReadBundlePlist(QString::fromLatin1(name));
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    ASSERT_GE(result.value.toList().size(), 2);
    QStringList patterns;
    for (const QVariant& group : result.value.toList()) {
      ASSERT_FALSE(group.toList().isEmpty());
      for (const QVariant& entry : group.toList()) {
        const QVariantMap item = entry.toMap();
        const QString pattern = item.value(QStringLiteral("title")).toString();
        patterns.append(pattern);
        EXPECT_EQ(item.value(QStringLiteral("tag")).typeId(), QMetaType::LongLong);
        EXPECT_EQ(item.value(QStringLiteral("info")).typeId(), QMetaType::QString);
        EXPECT_FALSE(FormatDateWithPattern(moment, pattern).isEmpty()) << pattern.toStdString();
        EXPECT_FALSE(forNames && (pattern.contains('/') || pattern.contains(':')))
            << pattern.toStdString();
      }
    }
    EXPECT_TRUE(patterns.contains(QLatin1String(first)));
  }
}

TEST(BundleResources, EveryTemplateImageDraws) {
  const QStringList names =
      QStringLiteral(
          "Add AddSmall Remove RemoveAll Convert ConvertAll Rating Help Preferences RotateLeft "
          "RotateRight FlipHorizontal FlipVertical Save UnknownImage DropImage EmptyImage "
          "Ascending "
          "Descending AlignLeft AlignCenter AlignRight AlignJustify TextUnderline")
          .split(' ');
  for (const QString& stem : names) {
    const QString name = stem + QStringLiteral(".pdf");
    SCOPED_TRACE(name.toStdString());
    ASSERT_FALSE(TemplateImagePath(name).isEmpty());
    const QImage image = TemplateImage(name, QSize(24, 24), Qt::red);
    ASSERT_EQ(image.size(), QSize(24, 24));
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel.alpha() == 0) continue;
        ++drawn;
        EXPECT_EQ(pixel.green(), 0);  // only the tint colour is used
      }
    }
    EXPECT_GT(drawn, 20);
    EXPECT_LT(drawn, 24 * 24);
    EXPECT_FALSE(TemplateIcon(name).isNull());
  }
  EXPECT_TRUE(TemplateImagePath(QStringLiteral("NoSuchImage.pdf")).isEmpty());
  EXPECT_TRUE(TemplateImagePath(QStringLiteral("../Credits")).isEmpty());
  EXPECT_TRUE(TemplateImage(QStringLiteral("NoSuchImage.pdf"), QSize(8, 8)).isNull());
  EXPECT_TRUE(TemplateImage(QStringLiteral("Add.pdf"), QSize()).isNull());
}

}  // namespace
}  // namespace glimbrik
