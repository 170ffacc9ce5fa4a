#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "app/batch_snapshot.h"
#include "engine/conversion_records.h"
#include "engine/text_token.h"

namespace glimbrik {

// The new base name (without extension) of an entry under a rename pattern: the pattern expanded
// with the entry's output size and resolution and its index in the run; the source's own name
// when the pattern expands to nothing. resize is null when the resize step is off.
QString GetRenameStringForObject(const BatchEntry& entry, const ImageResizeOptions* resize,
                                 uint64_t index, const TokenArray& tokens);

// Whether the pattern holds a token of the output's width, height or resolution.
bool IsRenameContainsResizeTokens(const TokenArray& tokens);

// The pattern of a built-in item of the rename-preset pop-up (2 to 6); none for the items
// without one (0, 1, 7) and for stored presets (8 on).
std::optional<TokenArray> BuiltInRenamePattern(int index);

}  // namespace glimbrik
