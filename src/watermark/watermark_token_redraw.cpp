#include "watermark/watermark_token_redraw.h"

#include "engine/tokens/text_token_archive.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_text_tokens.h"
#include "watermark/watermark_view.h"
#include "widgets/date_formater_view_controller.h"

namespace glimbrik {

bool AnySelectedPresetHasTokens(const WatermarkModel& model,
                                const std::function<bool(const TokenArray&)>& test) {
  const QString key = QString::fromLatin1(kTextStringKey);
  for (const WatermarkPresetRow& row : model.waterMarkPresetArray()) {
    if (!row.state || row.title.isEmpty()) continue;
    const std::optional<QVariantMap> preset = model.presetNamed(row.title);
    if (!preset || !preset->contains(key)) continue;
    const std::optional<TokenArray> tokens = UnarchiveTokenArray(preset->value(key).toByteArray());
    if (tokens && test(*tokens)) return true;
  }
  return false;
}

void ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken(WatermarkView& view) {
  if (AnySelectedPresetHasTokens(view.model(),
                                 &WatermarkTextTokens::IsTextWatermarkContainsRenameTokens))
    view.update();
}

bool ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(WatermarkView& view) {
  if (!AnySelectedPresetHasTokens(view.model(),
                                  &WatermarkTextTokens::IsTextWatermarkContainsResizeTokens))
    return false;
  view.update();
  return true;
}

void TextWatermarkTokensDidChange(WatermarkView& view, const TokenArray& tokens) {
  QVXDateFormaterViewController::sharedDateFormaterViewController()->closePopover();
  WatermarkModel& model = view.model();
  model.setTextStringTokens(tokens);
  // Through the view, so that the table marks the presets and the save button follows.
  view.setObjectToSelectedPreset(ArchiveTokenArray(tokens), QString::fromLatin1(kTextStringKey));
  view.update();
}

}  // namespace glimbrik
