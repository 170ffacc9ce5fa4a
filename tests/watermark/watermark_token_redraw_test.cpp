#include "watermark/watermark_token_redraw.h"

#include <gtest/gtest.h>

#include "engine/text_token_archive.h"
#include "watermark/watermark_text_tokens.h"
#include "watermark/watermark_view.h"
#include "watermark_fixtures.h"

namespace glimbrik {
namespace {

QVariantMap PresetOf(const TokenArray& tokens) {
  QVariantMap preset = test::CompletePreset(QStringLiteral("x"));
  preset.insert(QString::fromLatin1(kTextStringKey), ArchiveTokenArray(tokens));
  return preset;
}

const TokenArray kWidth{QStringLiteral("w "), QVXWatermarkTextToken(QStringLiteral("W"), 11)};
const TokenArray kNewName{QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)};

TEST(WatermarkTokenRedraw, OnlyTickedPresetsWithTheTokenAskForARedraw) {
  QWidget preview;
  WatermarkView view(&preview);
  WatermarkModel& model = view.model();
  test::SetPresets(model,
                   {{QStringLiteral("plain"), PresetOf({QStringLiteral("11 8")})},
                    {QStringLiteral("sized"), PresetOf(kWidth)},
                    {QStringLiteral("named"), PresetOf(kNewName)}},
                   {true, false, false});
  EXPECT_FALSE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
  EXPECT_FALSE(
      AnySelectedPresetHasTokens(model, &WatermarkTextTokens::IsTextWatermarkContainsRenameTokens));

  model.setPresetRowState(1, true);
  EXPECT_TRUE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
  model.setPresetRowState(2, true);
  EXPECT_TRUE(
      AnySelectedPresetHasTokens(model, &WatermarkTextTokens::IsTextWatermarkContainsRenameTokens));

  // A ticked row whose preset is missing counts for nothing.
  model.setWaterMarkPresetArray({{QStringLiteral("gone"), true, std::nullopt}});
  EXPECT_FALSE(ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(view));
}

TEST(WatermarkTokenRedraw, TextEditsReachTheSelectedPresets) {
  QWidget preview;
  WatermarkView view(&preview);
  WatermarkModel& model = view.model();
  test::SetPresets(model,
                   {{QStringLiteral("a"), PresetOf({QStringLiteral("old")})},
                    {QStringLiteral("b"), PresetOf({QStringLiteral("old")})}},
                   {true, true});
  model.setPresetTableSelection({1}, 1);
  int changes = 0;
  view.host.changeGlobalPresetOption = [&](QObject*) { ++changes; };

  TextWatermarkTokensDidChange(view, kNewName);
  EXPECT_EQ(model.textStringTokens(), kNewName);
  const auto stored = [&](const char* title) {
    return UnarchiveTokenArray(model.presetNamed(QString::fromLatin1(title))
                                   ->value(QString::fromLatin1(kTextStringKey))
                                   .toByteArray());
  };
  EXPECT_EQ(stored("b"), kNewName);
  EXPECT_EQ(stored("a"), (TokenArray{QStringLiteral("old")}));
  EXPECT_TRUE(model.isPresetDirty(QStringLiteral("b")));
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace glimbrik
