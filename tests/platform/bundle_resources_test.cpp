#include "platform/bundle_resources.h"

#include <gtest/gtest.h>
#include <unicode/smpdtfmt.h>

#include <QFile>

#include "platform/keyed_archive.h"

namespace glimbrik {
namespace {

TEST(BundleResources, ImageExtensionHasOneExtensionPerOutputType) {
  const PlistResult result = ReadBundlePlist(QStringLiteral("ImageExtension"));
  ASSERT_TRUE(result.ok()) << result.error.toStdString();
  const QVariantList list = result.value.toList();
  ASSERT_EQ(list.size(), 25);
  for (const QVariant& item : list) {
    EXPECT_EQ(item.typeId(), QMetaType::QString);
    EXPECT_FALSE(item.toString().isEmpty());
  }
  EXPECT_EQ(list[4].toString(), QStringLiteral("jpg"));
  EXPECT_EQ(list[7].toString(), QStringLiteral("png"));
  EXPECT_EQ(list[10].toString(), QStringLiteral("tif"));
  EXPECT_EQ(list[13].toString(), QStringLiteral("tif"));
  EXPECT_EQ(list[23].toString(), QStringLiteral("tif"));
  EXPECT_EQ(list[24].toString(), QStringLiteral("webp"));
  // The ".plist" ending may be given or not.
  EXPECT_EQ(ReadBundlePlist(QStringLiteral("ImageExtension.plist")).value, result.value);
  EXPECT_FALSE(ReadBundlePlist(QStringLiteral("NoSuchList")).ok());
}

TEST(BundleResources, ImageTypesListsExtensions) {
  const QVariantList list = ReadBundlePlist(QStringLiteral("ImageTypes")).value.toList();
  ASSERT_FALSE(list.isEmpty());
  QStringList types;
  for (const QVariant& item : list) types.append(item.toString());
  EXPECT_TRUE(types.contains(QStringLiteral("png")));
  EXPECT_TRUE(types.contains(QStringLiteral("jpg")));
  EXPECT_FALSE(types.contains(QString()));
}

// Each format list is an array of groups of {"title", "tag", "info"} whose titles are
// date patterns that ICU accepts.
void CheckFormatList(const QString& name, const QStringList& forbidden) {
  SCOPED_TRACE(name.toStdString());
  const PlistResult result = ReadBundlePlist(name);
  ASSERT_TRUE(result.ok()) << result.error.toStdString();
  const QVariantList groups = result.value.toList();
  ASSERT_GE(groups.size(), 2);
  for (const QVariant& group : groups) {
    ASSERT_EQ(group.typeId(), QMetaType::QVariantList);
    ASSERT_FALSE(group.toList().isEmpty());
    for (const QVariant& entry : group.toList()) {
      const QVariantMap item = entry.toMap();
      const QString pattern = item.value(QStringLiteral("title")).toString();
      ASSERT_FALSE(pattern.isEmpty());
      EXPECT_EQ(item.value(QStringLiteral("tag")).typeId(), QMetaType::LongLong)
          << pattern.toStdString();
      EXPECT_EQ(item.value(QStringLiteral("info")).typeId(), QMetaType::QString);
      UErrorCode status = U_ZERO_ERROR;
      const std::u16string text = pattern.toStdU16String();
      icu::SimpleDateFormat format(icu::UnicodeString(text.data(), int32_t(text.size())),
                                   icu::Locale::getUS(), status);
      EXPECT_TRUE(U_SUCCESS(status)) << pattern.toStdString();
      icu::UnicodeString formatted;
      format.format(0.0, formatted);
      EXPECT_GT(formatted.length(), 0) << pattern.toStdString();
      for (const QString& bad : forbidden)
        EXPECT_FALSE(pattern.contains(bad)) << pattern.toStdString();
    }
  }
}

bool ListHasPattern(const QString& name, const QString& pattern) {
  for (const QVariant& group : ReadBundlePlist(name).value.toList()) {
    for (const QVariant& item : group.toList()) {
      if (item.toMap().value(QStringLiteral("title")).toString() == pattern) return true;
    }
  }
  return false;
}

TEST(BundleResources, DateAndTimeFormatListsHoldValidPatterns) {
  CheckFormatList(QStringLiteral("dateformats"), {});
  // Rename patterns become parts of file names.
  CheckFormatList(QStringLiteral("timeFormatsForRename"), {"/", ":"});
  CheckFormatList(QStringLiteral("timeFormatsForWatermark"), {});
  // The formats new tokens start with can be selected in the popovers.
  EXPECT_TRUE(ListHasPattern(QStringLiteral("dateformats"), QStringLiteral("dd/MM/yyyy")));
  EXPECT_TRUE(ListHasPattern(QStringLiteral("timeFormatsForRename"), QStringLiteral("HH")));
  EXPECT_TRUE(ListHasPattern(QStringLiteral("timeFormatsForWatermark"), QStringLiteral("HH")));
}

TEST(BundleResources, FirstRunTextWatermarksAreCompletePresets) {
  const PlistResult result = ReadBundlePlist(QStringLiteral("TextWatermarkPreset"));
  ASSERT_TRUE(result.ok()) << result.error.toStdString();
  const QVariantMap presets = result.value.toMap();
  ASSERT_GE(presets.size(), 2);
  const QStringList numbers = {
      "textFontSize",  "drawingMode",   "strokeWidthName",     "textOpacity",       "textCharSpace",
      "textUnderline", "textAlignment", "textPosition",        "textRotationAngle", "shadowBlur",
      "xOffset",       "yOffset",       "WaterMarkPresetIndex"};
  QList<qint64> indexes;
  for (auto it = presets.cbegin(); it != presets.cend(); ++it) {
    SCOPED_TRACE(it.key().toStdString());
    const QVariantMap preset = it.value().toMap();
    for (const QString& key : numbers)
      EXPECT_TRUE(preset.value(key).canConvert<double>()) << key.toStdString();
    indexes.append(preset.value(QStringLiteral("WaterMarkPresetIndex")).toLongLong());
    EXPECT_EQ(preset.value(QStringLiteral("isDropShadowApplied")).typeId(), QMetaType::Bool);
    EXPECT_EQ(preset.value(QStringLiteral("DirtyFlag")), QVariant(false));
    EXPECT_TRUE(
        UnarchiveFont(preset.value(QStringLiteral("textFontName")).toByteArray()).has_value());
    for (const char* key : {"TextFontColor", "TextFontStrokeColor", "ShadowFontColor"}) {
      const auto color = UnarchiveColor(preset.value(QString::fromLatin1(key)).toByteArray());
      ASSERT_TRUE(color.has_value()) << key;
      EXPECT_TRUE(color->isValid()) << key;
    }
    EXPECT_TRUE(preset.value(QStringLiteral("TextWatermarkOffset")).toString().startsWith('{'));
    EXPECT_EQ(preset.value(QStringLiteral("BaseImageSizeForTextWatermark")).toString(),
              QStringLiteral("{550, 550}"));
    const PlistResult tokens =
        UnarchiveRootValue(preset.value(QStringLiteral("textString")).toByteArray());
    ASSERT_TRUE(tokens.ok()) << tokens.error.toStdString();
    ASSERT_FALSE(tokens.value.toList().isEmpty());
    for (const QVariant& element : tokens.value.toList()) {
      if (element.typeId() == QMetaType::QString) continue;
      EXPECT_EQ(ArchivedClassName(element), QStringLiteral("QVXWatermarkTextToken"));
      EXPECT_GT(element.toMap().value(QStringLiteral("TokenTag")).toLongLong(), 0);
    }
  }
  std::sort(indexes.begin(), indexes.end());
  EXPECT_EQ(std::unique(indexes.begin(), indexes.end()), indexes.end());
}

TEST(BundleResources, EveryTemplateImageDraws) {
  const char* names[] = {
      "Add.pdf",          "AddSmall.pdf",   "Remove.pdf",       "RemoveAll.pdf",
      "Convert.pdf",      "ConvertAll.pdf", "Rating.pdf",       "Help.pdf",
      "Preferences.pdf",  "RotateLeft.pdf", "RotateRight.pdf",  "FlipHorizontal.pdf",
      "FlipVertical.pdf", "Save.pdf",       "UnknownImage.pdf", "DropImage.pdf",
      "EmptyImage.pdf",   "Ascending.pdf",  "Descending.pdf",   "AlignLeft.pdf",
      "AlignCenter.pdf",  "AlignRight.pdf", "AlignJustify.pdf", "TextUnderline.pdf"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    ASSERT_FALSE(TemplateImagePath(QString::fromLatin1(name)).isEmpty());
    const QImage image = TemplateImage(QString::fromLatin1(name), QSize(24, 24), Qt::red);
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
    EXPECT_FALSE(TemplateIcon(QString::fromLatin1(name)).isNull());
  }
  EXPECT_TRUE(TemplateImagePath(QStringLiteral("NoSuchImage.pdf")).isEmpty());
  EXPECT_TRUE(TemplateImagePath(QStringLiteral("../Credits")).isEmpty());
  EXPECT_TRUE(TemplateImage(QStringLiteral("NoSuchImage.pdf"), QSize(8, 8)).isNull());
  EXPECT_TRUE(TemplateImage(QStringLiteral("Add.pdf"), QSize()).isNull());
}

}  // namespace
}  // namespace glimbrik
