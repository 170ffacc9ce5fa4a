#include "watermark/watermark_transfer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "engine/tokens/text_token_archive.h"
#include "platform/store/geometry_text.h"
#include "platform/store/keyed_archive.h"
#include "platform/system/font_members.h"
#include "watermark/watermark_model.h"
#include "watermark/watermark_text_tokens.h"
#include "watermark/watermark_token_redraw.h"
#include "watermark/watermark_view.h"
#include "watermark_fixtures.h"

namespace glimbrik {
namespace {

QString Text(const TextWatermarkOptions& record) { return test::PlainText(record.tokens); }

// What a first start shows; re-initialising resets those values and keeps what they do not name.
TEST(WatermarkModel, StartsWithTheEditorsDefaults) {
  WatermarkModel model;
  EXPECT_EQ(model.textOpacity(), 0.8999999761581421);
  EXPECT_EQ(model.watermarkImageSizePrecentage(), 0.5);
  EXPECT_EQ(model.textStringTokens(), TokenArray{QStringLiteral("Glimbrik")});
  EXPECT_EQ(model.textPosition(), 6);
  EXPECT_EQ(model.imagePosition(), 6);
  EXPECT_EQ(model.yOffset(), -3);
  model.setBaseImageSizeForTextWatermark(QSizeF(550, 275));
  model.setTextFontSize(80);
  model.setImage(QImage(4, 4, QImage::Format_ARGB32));
  model.setWatermarkImageOpacity(0.2);
  model.InitializeTextWatermarkOptions();
  model.InitializeImageWatermarkOptions();
  EXPECT_EQ(model.textFontSize(), 30);
  EXPECT_EQ(model.baseImageSizeForTextWatermark(), QSizeF(550, 275));
  EXPECT_EQ(model.watermarkImageOpacity(), 0.800000011920929);
  EXPECT_FALSE(model.image().isNull());
}

// Ticked, complete rows in table order; an incomplete, damaged or unknown row gives its slot to
// the next.
TEST(SelectedTextWatermarks, TickedCompleteRowsInTableOrder) {
  QVariantMap noShadowColour = test::CompletePreset("shadowless");
  noShadowColour.remove(kShadowColorKey);
  QVariantMap noFont = test::CompletePreset("fontless");
  noFont.remove(kTextFontNameKey);
  QVariantMap damaged = test::CompletePreset("damaged");
  damaged.insert(kTextStringKey, QByteArray("not an archive"));
  WatermarkModel model;
  test::SetPresets(model,
                   {{"first", test::CompletePreset("one")},
                    {"second", test::CompletePreset("two")},
                    {"a", noShadowColour},
                    {"b", noFont},
                    {"c", damaged},
                    {"d", test::CompletePreset("kept")}},
                   {true, false, true, true, true, true});
  std::vector<WatermarkPresetRow> rows = model.waterMarkPresetArray();
  rows.insert(rows.begin() + 1, {QStringLiteral("not in memory"), true, std::nullopt});
  model.setWaterMarkPresetArray(rows);
  TextWatermarkRecords records = model.GetSelectedTextWatermarkOptions();
  ASSERT_EQ(records.count, 2u);
  EXPECT_EQ(Text(records.records[0]), "one");
  EXPECT_EQ(Text(records.records[1]), "kept");
  ASSERT_TRUE(records.records[0].shadowColor.has_value());

  // With the shadow off the shadow's keys are not needed and not filled.
  noShadowColour.insert(kDropShadowKey, false);
  noShadowColour.remove(kShadowBlurKey);
  test::SetPresets(model, {{"a", noShadowColour}}, {true});
  records = model.GetSelectedTextWatermarkOptions();
  ASSERT_EQ(records.count, 1u);
  EXPECT_EQ(records.records[0].dropShadow, 0);
  EXPECT_FALSE(records.records[0].shadowColor.has_value());
  EXPECT_EQ(records.records[0].shadowBlur, 0);
  model.setPresetRowState(0, false);
  EXPECT_EQ(model.GetSelectedTextWatermarkOptions().records, nullptr) << "none ticked";
}

TEST(PresetDictionary, MissingKeysTakeTheirDefaultsAndStoredPartsReadBack) {
  const QVariantMap empty;
  TextWatermarkValues v = TextValuesFromPresetDictionary(&empty);
  EXPECT_EQ(v.textWatermarkOffset, QPointF(20, 20));
  EXPECT_EQ(v.baseImageSizeForTextWatermark, QSizeF(550, 550));
  // No dictionary is a new editor's values, which differ.
  v = TextValuesFromPresetDictionary(nullptr);
  EXPECT_EQ(v.textWatermarkOffset, QPointF(0, 0));
  // Written and read back, a token keeps its kind.
  TextWatermarkValues edited;
  edited.textStringTokens = {QStringLiteral("\u00a9 "), QVXWatermarkTextToken("Copyright", 16)};
  QVariantMap preset;
  WriteTextWatermarkPreferenceValue(edited, &preset);
  EXPECT_EQ(TextValuesFromPresetDictionary(&preset).textStringTokens, edited.textStringTokens);

  // The picture's part of a photo preset.
  ImageWatermarkValues image;
  image.image = QImage(8, 8, QImage::Format_ARGB32);
  image.imagePosition = 4;
  image.imageWatermarkOffset = QPointF(3, 4);
  preset.clear();
  WriteImagePreferenceValue(image, QString(), &preset);
  EXPECT_FALSE(preset.contains(kImagePathKey));
  EXPECT_EQ(preset.value(kImagePositionKey).typeId(), QMetaType::Double);
  EXPECT_EQ(preset.value(kImageWatermarkOffsetKey).toString(), "{3, 4}");

  // Without "ImagePath" the well empties; with a path that cannot be read it keeps its image.
  ImageWatermarkValues applied = image;
  ApplyImagePreferenceValue(QVariantMap{{kImagePathKey, "/no/such/file.tiff"}}, &applied);
  EXPECT_FALSE(applied.image.isNull());
  EXPECT_EQ(applied.imageWatermarkOffset, QPointF(20, 20));
  ApplyImagePreferenceValue(preset, &applied);
  EXPECT_TRUE(applied.image.isNull());
  EXPECT_EQ(applied.imagePosition, 4);

  // Geometry text: junk and overflow read as nothing rather than as infinities.
  EXPECT_EQ(StringFromPoint({-0.0, 1e-3}), "{0, 0.001}");
  EXPECT_EQ(SizeFromString("junk"), QSizeF(0, 0));
  EXPECT_EQ(SizeFromString("{1e999, -1e999}"), QSizeF(0, 0));
}

QVariantMap PresetOf(const TokenArray& tokens) {
  QVariantMap preset = test::CompletePreset(QStringLiteral("x"));
  preset.insert(kTextStringKey, ArchiveTokenArray(tokens));
  return preset;
}

std::optional<TokenArray> StoredText(WatermarkModel& model, const QString& title) {
  return UnarchiveTokenArray(model.presetNamed(title)->value(kTextStringKey).toByteArray());
}

const TokenArray kWidth{QStringLiteral("w "), QVXWatermarkTextToken(QStringLiteral("W"), 11)};
const TokenArray kNewName{QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)};

TEST(WatermarkTokenRedraw, OnlyTickedPresetsWithTheTokenAskForARedrawAndEditsReachTheSelected) {
  QWidget preview;
  WatermarkView view(&preview);
  WatermarkModel& model = view.model();
  const auto hasRenameTokens = [&] {
    return AnySelectedPresetHasTokens(model,
                                      &WatermarkTextTokens::IsTextWatermarkContainsRenameTokens);
  };
  test::SetPresets(model,
                   {{"plain", PresetOf({QStringLiteral("11 8")})},
                    {"sized", PresetOf(kWidth)},
                    {"named", PresetOf(kNewName)}},
                   {true, false, false});
  EXPECT_FALSE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
  EXPECT_FALSE(hasRenameTokens());
  model.setPresetRowState(1, true);
  EXPECT_TRUE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
  EXPECT_FALSE(hasRenameTokens());
  model.setPresetRowState(2, true);
  EXPECT_TRUE(hasRenameTokens());
  // A ticked row whose preset is missing counts for nothing.
  model.setWaterMarkPresetArray({{QStringLiteral("gone"), true, std::nullopt}});
  EXPECT_FALSE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
  // The resolution is a resize value too.
  test::SetPresets(model, {{"dpi", PresetOf({QVXWatermarkTextToken(QStringLiteral("dpi"), 13)})}},
                   {true});
  EXPECT_TRUE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));

  // Text edits reach the selected presets only.
  const TokenArray old{QStringLiteral("old")};
  test::SetPresets(model, {{"a", PresetOf(old)}, {"b", PresetOf(old)}}, {true, true});
  model.setPresetTableSelection({1}, 1);
  int changes = 0;
  view.host.changeGlobalPresetOption = [&](QObject*) { ++changes; };
  TextWatermarkTokensDidChange(view, kNewName);
  EXPECT_EQ(model.textStringTokens(), kNewName);
  EXPECT_EQ(StoredText(model, "b"), kNewName);
  EXPECT_TRUE(model.isPresetDirty(QStringLiteral("b")));
  EXPECT_EQ(StoredText(model, "a"), old);
  EXPECT_EQ(changes, 1);

  // So do fonts, from the installed ones: a family's first face is its regular one.
  ASSERT_TRUE(view.fontFamilyArray.contains(QStringLiteral("DejaVu Sans")));
  model.setPresetTableSelection({0}, 0);
  view.ChangeSelectedFontStyle(QStringLiteral("DejaVu Sans"), QStringLiteral("Bold"));
  EXPECT_TRUE(model.textFont().bold());
  EXPECT_TRUE(model.isPresetDirty("a"));
  EXPECT_EQ(model.presetNamed("a")->value(kTextFontNameKey),
            QVariant(ArchiveFont(model.textFont())));
  view.ChangeSelectedFont(QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(model.textFont().family(), "DejaVu Serif");
  EXPECT_FALSE(model.textFont().bold());
  // Unknown families and faces change nothing.
  view.ChangeSelectedFont(QStringLiteral("No Such Family"));
  view.ChangeSelectedFontStyle(QStringLiteral("DejaVu Serif"), QStringLiteral("No Such Face"));
  EXPECT_EQ(model.textFont().family(), "DejaVu Serif");
  EXPECT_FALSE(model.textFont().bold());
  // The regular face comes first though lighter ones weigh less, and though some faces are
  // installed in several formats that disagree on their width; without one, the nearest.
  for (const auto& [family, postScript, faces] :
       {std::tuple{"DejaVu Sans", "DejaVuSans", 9u},
        {"Nimbus Sans Narrow", "NimbusSansNarrow-Regular", 4u},
        {"URW Gothic", "URWGothic-Book", 4u},
        {"URW Bookman", "URWBookman-Light", 4u}}) {
    view.ChangeSelectedFont(QString::fromLatin1(family));
    EXPECT_EQ(FontPostScriptName(model.textFont()).toStdString(), postScript) << family;
    EXPECT_EQ(AvailableMembersOfFontFamily(QString::fromLatin1(family)).size(), faces) << family;
  }
}

}  // namespace
}  // namespace glimbrik
