#pragma once

// Keys of the text-watermark preset dictionaries, of the preset table's rows and of the image
// part of a photo preset, as the preference files store them.

#include <cstdint>
#include <limits>

namespace glimbrik {

// Preset file and photo-preset file names ("%@" is the bundle identifier).
inline constexpr char kTextWatermarkPresetsFile[] = "%@-WaterMarkPref.plist";
inline constexpr char kPhotoPresetsFile[] = "%@-PhotoPref.plist";
inline constexpr char kFirstRunTextWatermarkPresets[] = "TextWatermarkPreset.plist";

// Text watermark keys, in the order a record is read from them.
inline constexpr char kTextStringKey[] = "textString";
inline constexpr char kTextFontNameKey[] = "textFontName";
inline constexpr char kTextFontSizeKey[] = "textFontSize";
inline constexpr char kDrawingModeKey[] = "drawingMode";
inline constexpr char kStrokeWidthKey[] = "strokeWidthName";
inline constexpr char kTextOpacityKey[] = "textOpacity";
inline constexpr char kTextCharSpaceKey[] = "textCharSpace";
inline constexpr char kTextUnderlineKey[] = "textUnderline";
inline constexpr char kTextAlignmentKey[] = "textAlignment";
inline constexpr char kTextPositionKey[] = "textPosition";
inline constexpr char kTextRotationAngleKey[] = "textRotationAngle";
inline constexpr char kTextFontColorKey[] = "TextFontColor";
inline constexpr char kTextFontStrokeColorKey[] = "TextFontStrokeColor";
inline constexpr char kDropShadowKey[] = "isDropShadowApplied";
inline constexpr char kShadowBlurKey[] = "shadowBlur";
inline constexpr char kShadowXOffsetKey[] = "xOffset";
inline constexpr char kShadowYOffsetKey[] = "yOffset";
inline constexpr char kShadowColorKey[] = "ShadowFontColor";
inline constexpr char kTextWatermarkOffsetKey[] = "TextWatermarkOffset";
inline constexpr char kBaseImageSizeForTextWatermarkKey[] = "BaseImageSizeForTextWatermark";
// Preset bookkeeping.
inline constexpr char kWaterMarkPresetIndexKey[] = "WaterMarkPresetIndex";
inline constexpr char kDirtyFlagKey[] = "DirtyFlag";

// Image watermark keys of a photo preset.
inline constexpr char kImageWatermarkOffsetKey[] = "ImageWatermarkOffset";
inline constexpr char kBaseImageSizeForImageWatermarkKey[] = "BaseImageSizeForImageWatermark";
inline constexpr char kImagePathKey[] = "ImagePath";
inline constexpr char kImageOpacityKey[] = "ImageOpacity";
inline constexpr char kImageSizeKey[] = "ImageSize";
inline constexpr char kImageAngleKey[] = "ImageAngle";
inline constexpr char kImagePositionKey[] = "ImagePosition";

// The editor's selection holds text presets by row and the image watermark by this index.
inline constexpr int64_t kImageWatermarkSelectionIndex = std::numeric_limits<int64_t>::max() - 1;

inline constexpr double kWatermarkBaseSide = 550.0;

}  // namespace glimbrik
