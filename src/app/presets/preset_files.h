#pragma once

// The photo, resize and rename preset files: preset title -> preset dictionary, each file read
// afresh and written whole by every operation. These helpers work on the dictionaries only; the
// controller reads the panels and shows the alerts.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <optional>

#include "engine/tokens/text_token.h"

namespace glimbrik {

inline constexpr char kResizePresetsFile[] = "%@-ResizePref.plist";
inline constexpr char kRenamePresetsFile[] = "%@-RenamePref.plist";
// The photo presets' file name is kPhotoPresetsFile (watermark/watermark_keys.h).

// Keys of the resize presets (and of a photo preset's resize part).
inline constexpr char kPresetIndexKey[] = "PresetIndex";
inline constexpr char kScaleOptionKey[] = "ScaleOption";
inline constexpr char kInputTypeKey[] = "InputType";
inline constexpr char kUpscalingKey[] = "Upscaling";
inline constexpr char kSharpenKey[] = "Sharpen";
inline constexpr char kResolutionFlagKey[] = "ResolutionFlag";
inline constexpr char kResolutionValueKey[] = "ResolutionValue";
inline constexpr char kBackgroundFlagKey[] = "BackgroundColorFitToRectFlag";
inline constexpr char kBackgroundColorKey[] = "BackgroundColorFitToRectColor";
inline constexpr char kWidthKey[] = "Width";
inline constexpr char kHeightKey[] = "Height";
// Rename presets.
inline constexpr char kRenameTokenKey[] = "RenameToken";
inline constexpr char kRenameStateKey[] = "RenameState";
// Photo presets.
inline constexpr char kTextWatermarkPresetIndexKey[] = "TextWatermarkPresetIndex";
inline constexpr char kTextWatermarkStateKey[] = "TextWatermarkState";
inline constexpr char kImageTypeKey[] = "ImageType";
inline constexpr char kImageQualityKey[] = "ImageQuality";
inline constexpr char kAutoLevelsKey[] = "AutoAdjustColorLevels";
inline constexpr char kAutoEnhancementKey[] = "AutoEnhancement";
inline constexpr char kColorProfileKey[] = "ColorProfile";
inline constexpr char kConversionStateKey[] = "ConversionState";
inline constexpr char kResizePresetIndexKey[] = "ResizePresetIndex";
inline constexpr char kResizeStateKey[] = "ResizeState";
inline constexpr char kRenamePresetIndexKey[] = "RenamePresetIndex";
inline constexpr char kOptimizationTypeKey[] = "OptimizationType";
inline constexpr char kOptimizationStateKey[] = "OptimizationState";
inline constexpr char kImageWatermarkStateKey[] = "ImagewatermarkState";
inline constexpr char kImageEffectTypeKey[] = "ImageEffectType";
inline constexpr char kEffectStateKey[] = "EffectState";
inline constexpr char kPhotoPresetIndexKey[] = "PhotoPresetIndex";

// The three kinds of preset and where their stored items start in their pop-ups.
enum class PresetKind { kResize, kRename, kPhoto };

struct PresetKindInfo {
  const char* file;      // file-name format
  const char* indexKey;  // the order among the presets of the kind
  int firstStoredItem;   // pop-up index of the first stored preset
};
PresetKindInfo InfoForPresetKind(PresetKind kind);

// The kind's file; false (and *presets untouched) when it cannot be read.
bool ReadPresetFile(PresetKind kind, QVariantMap* presets);
bool WritePresetFile(PresetKind kind, const QVariantMap& presets);

// Typed reading of a preset's values. A value of the wrong type counts as missing, so that a file
// edited by hand falls back key by key on the defaults.
std::optional<qint64> PresetInteger(const QVariantMap& preset, const char* key);
std::optional<double> PresetNumber(const QVariantMap& preset, const char* key);
std::optional<bool> PresetBool(const QVariantMap& preset, const char* key);
std::optional<QString> PresetString(const QVariantMap& preset, const char* key);
std::optional<QByteArray> PresetData(const QVariantMap& preset, const char* key);
// The integer under key when it lies in [low, high], else fallback.
qint64 PresetIntegerIn(const QVariantMap& preset, const char* key, qint64 fallback, qint64 low,
                       qint64 high);

// The titles of the entries that are dictionaries, ordered by their index key as numbers; the
// order is stable and entries without a usable index come last.
QStringList SortedPresetTitles(const QVariantMap& presets, const char* indexKey);

// The index a new preset gets: past every index in use, so that it is listed last.
qint64 NextPresetIndex(const QVariantMap& presets, const char* indexKey);

// After the preset at index removed was taken out: every later index is lowered by one.
void LowerPresetIndexesAbove(QVariantMap* presets, const char* indexKey, qint64 removed);

// After the pop-up item at position removed went away: photo presets that chose it fall back on
// item 0, and those that chose a later item follow it down. True when a preset changed.
bool UpdatePhotoPresetItemReferences(QVariantMap* photoPresets, const char* key, qint64 removed);

// After text-watermark row removed went away: photo presets forget it and their later rows
// follow it down. A row set that does not unarchive is left as it is. True when one changed.
bool UpdatePhotoPresetTextRows(QVariantMap* photoPresets, qint64 removed);

// base itself when no title in taken equals it, else base followed by format (which holds one
// %1 for the number) with 1, 2, ... until the result is free.
QString UniquePresetName(const QString& base, const QStringList& taken, const QString& format);

// A pattern as a preset title: its strings as they are, each token as "<name>".
QString PresetTitleFromTokens(const TokenArray& tokens);

// Deletes a photo preset's copy of its watermark image; only a "watermark_image<N>" file in the
// application-support folder is ever removed.
bool RemoveWatermarkImageCopy(const QString& path);

}  // namespace glimbrik
