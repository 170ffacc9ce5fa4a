#pragma once

// The watermark editor's side of the token fields: the watermark text field's edits, and the
// redraws that rename and resize changes call for when a ticked watermark shows the new file
// name or a resize value.

#include <functional>

#include "engine/tokens/text_token.h"

namespace glimbrik {

class WatermarkModel;
class WatermarkView;

// Whether a ticked preset row with a title keeps a text whose tokens pass the test.
bool AnySelectedPresetHasTokens(const WatermarkModel& model,
                                const std::function<bool(const TokenArray&)>& test);

void ReDrawTextWatermarkIfAnySelectedPresetHasRenameToken(WatermarkView& view);
// True when it asked for a redraw.
bool ReDrawTextWatermarkIfAnySelectedPresetHasResizeToken(WatermarkView& view);

// An edit of the watermark text field: the text being edited and that of every selected preset.
void TextWatermarkTokensDidChange(WatermarkView& view, const TokenArray& tokens);

}  // namespace glimbrik
