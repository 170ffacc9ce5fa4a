#pragma once

// What the photo presets ask of the watermark editor: its ticked text rows, the rows a preset
// ticks again, and the image part of a preset checked before it is applied.

#include <QList>
#include <QVariantMap>

#include "watermark/watermark_view.h"

namespace glimbrik {

// The rows of the text-watermark table whose check box is on, ascending.
QList<qint64> TickedTextWatermarkRows(const WatermarkModel& model);

// Ticks the rows of the preset's row set that the table has and selects the last one ticked;
// without one, row 0, or the editor's text defaults when the table is empty.
void ApplyPhotoPresetTextRows(WatermarkView& view, const QVariantMap& preset);

// The image keys of a photo preset with every value of the wrong type or out of range left out,
// so that the editor gives it its default; an "ImagePath" that names something other than a
// regular file is left out too (nothing is read from a device or a folder).
QVariantMap CheckedImageWatermarkKeys(const QVariantMap& preset);

}  // namespace glimbrik
