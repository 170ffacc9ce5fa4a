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
}

}  // namespace
}  // namespace glimbrik
