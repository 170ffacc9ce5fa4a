#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/batch/batch_snapshot.h"
#include "engine/convert/conversion_records.h"
#include "engine/tokens/text_token.h"

namespace glimbrik {

// The new base name (without extension) of an entry under a rename pattern: the pattern expanded
// with the entry's output size and resolution and its index in the run; the source's own name
// when the pattern expands to nothing. resize is null when the resize step is off.
QString GetRenameStringForObject(const BatchEntry& entry, const ImageResizeOptions* resize,
                                 uint64_t index, const TokenArray& tokens);

// The text of a watermark for an entry as the preview shows it, with the output's size and
// resolution. A new-file-name token shows the name the rename pattern gives the entry at index,
// or the source's own name when there is no pattern (the rename step is off).
QString TextWatermarkFullString(const BatchEntry& entry, const ImageResizeOptions* resize,
                                const std::optional<TokenArray>& renamePattern, uint64_t index,
                                const TokenArray& tokens);

// Whether the pattern holds a token of the output's width, height or resolution.
bool IsRenameContainsResizeTokens(const TokenArray& tokens);

// The pattern of a built-in item of the rename-preset pop-up (2 to 6); none for the items
// without one (0, 1, 7) and for stored presets (8 on).
std::optional<TokenArray> BuiltInRenamePattern(int index);

}  // namespace glimbrik
