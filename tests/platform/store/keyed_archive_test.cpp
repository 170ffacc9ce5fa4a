#include "platform/store/keyed_archive.h"

#include <gtest/gtest.h>

#include <QFontInfo>

namespace glimbrik {
namespace {

TEST(KeyedArchive, ObjectsAndPlainValuesRoundTripAndForeignBytesAreRefused) {
  const QVariantMap token = ArchivedObject(QStringLiteral("QVXWatermarkTextToken"),
                                           {{"Name", "Index"}, {"TokenTag", qint64(1)}});
  const QVariantList tokens{"Photo-", token};
  const PlistData archive = ArchiveRootValue(tokens);
  ASSERT_TRUE(archive.ok());
  const PlistResult back = UnarchiveRootValue(archive.data);
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  EXPECT_EQ(back.value.toList(), tokens);
  EXPECT_EQ(ArchivedClassName(back.value.toList().at(1)), QStringLiteral("QVXWatermarkTextToken"));
  EXPECT_TRUE(ArchivedClassName(back.value.toList().at(0)).isEmpty());
  EXPECT_TRUE(ArchivedClassName(QVariantMap{{"$class", 5}}).isEmpty());
  // Foreign bytes are no archive.
  EXPECT_FALSE(UnarchiveRootValue(QByteArray()).ok());
  EXPECT_FALSE(UnarchiveRootValue("garbage").ok());
  EXPECT_FALSE(UnarchiveRootValue(WritePlistData(QVariantMap{{"$root", 1}}).data).ok());
  EXPECT_FALSE(UnarchiveColor("garbage").has_value());
  EXPECT_FALSE(UnarchiveFont(ArchiveColor(Qt::red)).has_value());
  EXPECT_FALSE(UnarchiveIndexSet(ArchiveColor(Qt::red)).has_value());
}

TEST(KeyedArchive, ColoursKeepSpaceAndComponents) {
  // A colour's equality takes in its model (QColor::spec()) as well as its components.
  for (const QColor& colour : {QColor::fromRgbF(0.864f, 0.14f, 0.168f, 1.0f),
                               QColor::fromCmykF(0.1f, 0.2f, 0.3f, 0.4f, 0.5f), QColor()}) {
    EXPECT_EQ(UnarchiveColor(ArchiveColor(colour)), colour) << colour.name().toStdString();
  }

  const QVariantMap gray = ArchivedObject(
      QStringLiteral("Color"), {{"ColorSpace", "Gray"}, {"Components", QVariantList{0.5, 1.0}}});
  const auto grayBack = DecodeColor(gray);
  ASSERT_TRUE(grayBack.has_value());
  EXPECT_EQ(grayBack->red(), grayBack->blue());
  EXPECT_NEAR(grayBack->redF(), 0.5, 0.01);

  QVariantMap wrongCount = gray;
  wrongCount.insert(QStringLiteral("Components"), QVariantList{0.5});
  EXPECT_FALSE(DecodeColor(wrongCount).has_value());
}

TEST(KeyedArchive, IndexSetsAreStoredAsSortedRangesAndDamagedOnesRefused) {
  const QList<qint64> indexes{7, 0, 1, 2, 5, 2, 9, 8};
  const QVariantMap encoded = EncodeIndexSet(indexes);
  const QVariantList ranges = encoded.value(QStringLiteral("Ranges")).toList();
  ASSERT_EQ(ranges.size(), 3);
  EXPECT_EQ(ranges[0].toList(), (QVariantList{qint64(0), qint64(3)}));
  EXPECT_EQ(ranges[1].toList(), (QVariantList{qint64(5), qint64(1)}));
  EXPECT_EQ(ranges[2].toList(), (QVariantList{qint64(7), qint64(3)}));
  const auto back = UnarchiveIndexSet(ArchiveIndexSet(indexes));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, (QList<qint64>{0, 1, 2, 5, 7, 8, 9}));

  EXPECT_EQ(UnarchiveIndexSet(ArchiveIndexSet({})), QList<qint64>());

  // Damaged ranges are refused, never expanded.
  auto set = [](QVariantList ranges) {
    return ArchivedObject(QStringLiteral("IndexSet"), {{"Ranges", ranges}});
  };
  const qint64 huge = std::numeric_limits<qint64>::max();
  EXPECT_FALSE(DecodeIndexSet(set({QVariantList{qint64(0), huge}})).has_value());
  EXPECT_FALSE(DecodeIndexSet(set({QVariantList{huge, qint64(2)}})).has_value());
  EXPECT_FALSE(DecodeIndexSet(set({QVariantList{qint64(-1), qint64(1)}})).has_value());
  EXPECT_FALSE(DecodeIndexSet(set({QVariantList{qint64(1)}})).has_value());
  EXPECT_FALSE(DecodeIndexSet(set({QVariantList{"1", qint64(1)}})).has_value());
}

TEST(KeyedArchive, FontsAreStoredByPostScriptNameAndResolvedBack) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPointSizeF(31.5);
  const QVariantMap encoded = EncodeFont(font);
  EXPECT_EQ(encoded.value(QStringLiteral("PostScriptName")).toString(),
            QStringLiteral("DejaVuSans-Bold"));
  EXPECT_EQ(FontPostScriptName(font), QStringLiteral("DejaVuSans-Bold"));

  const auto back = UnarchiveFont(ArchiveFont(font));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(QFontInfo(*back).family(), QStringLiteral("DejaVu Sans"));
  EXPECT_TRUE(QFontInfo(*back).bold());
  EXPECT_EQ(back->pointSizeF(), 31.5);

  // An unknown face falls back to its family, then to the default font.
  QVariantMap stored = ArchivedObject(
      QStringLiteral("Font"),
      {{"PostScriptName", "NoSuchFace-Bold"}, {"Family", "DejaVu Serif"}, {"Size", 0.0}});
  const auto fallback = DecodeFont(stored);
  ASSERT_TRUE(fallback.has_value());
  EXPECT_EQ(QFontInfo(*fallback).family(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(fallback->pointSizeF(), QFont().pointSizeF());  // size 0 is the default size

  stored.remove(QStringLiteral("Family"));
  EXPECT_TRUE(DecodeFont(stored).has_value());
}

}  // namespace
}  // namespace glimbrik
