#pragma once

// The text-watermark preset file and the photo-preset file as the editor reads and writes them.

#include <QString>
#include <QVariantMap>

#include "watermark/watermark_model.h"

namespace glimbrik {

// The preset file "%@-WaterMarkPref.plist": title -> preset dictionary.
bool ReadTextWatermarkPresetFile(QVariantMap* presets);
bool WriteTextWatermarkPresetFile(const QVariantMap& presets);

// Loads the presets from the file, or on a first start from the bundle's list (which is then
// written as the file). The rows follow "WaterMarkPresetIndex" and start unticked.
void ResetTextWatermarkPresetsFromDatabase(WatermarkModel& model);

// Stores the new base sizes and offsets of the ticked presets without unsaved edits; a ticked
// preset the file does not hold yet is written whole.
void ReadWriteTextWatermarkNewBaseSizeAndOffset(WatermarkModel& model);

// Stores the image watermark's offset and base size in the photo preset of that title; nothing
// for an empty title (the built-in item) or a preset the file does not hold.
void ReadWriteImageWatermarkNewBaseSizeAndOffset(const WatermarkModel& model,
                                                 const QString& photoPresetTitle);

}  // namespace glimbrik
