#pragma once

// Moving watermark settings between preset dictionaries, the editor's values and the engine's
// records. Pure functions: the model and the view call them with copies they hold.

#include <QVariantMap>
#include <vector>

#include "engine/watermark/watermark_options.h"
#include "watermark/watermark_model.h"

namespace glimbrik {

// Fills record from a preset, reading the keys in their fixed order. False at the first key that
// is missing or cannot be read (the shadow's four keys count only with the shadow on); the record
// then holds what was read so far.
bool TextWatermarkRecordFromPreset(const QVariantMap& preset, TextWatermarkOptions* record);

// The records of the ticked rows whose preset is complete, in table order; count 0 and no array
// when there is none.
TextWatermarkRecords SelectedTextWatermarkRecords(const std::vector<WatermarkPresetRow>& rows,
                                                  const QVariantMap& presets);

// A preset dictionary as editor values: a missing key gives its own default (offset (20, 20),
// base 550 x 550). No dictionary gives the values of a new editor.
TextWatermarkValues TextValuesFromPresetDictionary(const QVariantMap* preset);

// Writes the text keys of values into preset, in their stored forms.
void WriteTextWatermarkPreferenceValue(const TextWatermarkValues& values, QVariantMap* preset);

// Writes the image part of a photo preset ("ImagePath" only when imagePath is not empty).
void WriteImagePreferenceValue(const ImageWatermarkValues& values, const QString& imagePath,
                               QVariantMap* preset);

// The image part of a photo preset applied to values: missing keys give their defaults; a
// missing "ImagePath" removes the image, one that cannot be read keeps the current one.
void ApplyImagePreferenceValue(const QVariantMap& preset, ImageWatermarkValues* values);

}  // namespace glimbrik
