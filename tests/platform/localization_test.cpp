#include "platform/localization.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "platform/bundle_resources.h"

namespace glimbrik {
namespace {

TEST(Localization, KnownKeysGiveTheirTextAndUnknownKeysThemselves) {
  EXPECT_EQ(LocalizedString("OkButtonString"), QStringLiteral("OK"));
  EXPECT_EQ(LocalizedString("Export Completed"), QStringLiteral("Export Completed"));
  EXPECT_EQ(LocalizedString("NoSuchKeyAnywhere"), QStringLiteral("NoSuchKeyAnywhere"));
  EXPECT_EQ(LocalizedString(QStringLiteral("Keep Original")), QStringLiteral("Keep Original"));
  EXPECT_EQ(LocalizedString(""), QString());
}

TEST(Localization, EveryKeyTheApplicationShowsIsInTheTable) {
  const QVariantMap table = ReadBundlePlist(QStringLiteral("Localizable")).value.toMap();
  ASSERT_FALSE(table.isEmpty());
  const char* keys[] = {"Converting",
                        "CancelConversionInProgress",
                        "OpenDestinationDialogTitle",
                        "SaveDialogButton",
                        "OpenDestinationTitle",
                        "ConvertMsgTitle",
                        "SuccessfullConvertMsgTitle",
                        "FailureConvertMsgTitle",
                        "FailureConvertMsg",
                        "FailureSingleFileConvertMsg",
                        "DidNotUpScaleAlertMessage",
                        "Export Completed",
                        "DoNotShowAlertCheckBoxTitle",
                        "OkButtonString",
                        "PNGOptimizationAlertTitle",
                        "PNGOptimizationAlertMessage",
                        "CancelTitle",
                        "InvalidResolutionValueTitle",
                        "InvalidResolutionValueMsg",
                        "InvalidValueTitle",
                        "InvalidValueMsg",
                        "DiscardButtonTitle",
                        "DoNotShowAlertCheckBoxTitle1",
                        "DoNotShowPNGOptimAlertCheckBoxTitle",
                        "OpenDialogButton",
                        "Keep Original",
                        "ConversionOptionTitle",
                        "OptimizationOptionTitle",
                        "RenameOptionTitle",
                        "ResizeOptionTitle",
                        "TextWatermarkOptionTitle",
                        "ImageWatermarkOptionTitle",
                        "EffectOptionTitle",
                        "overwriteExistinFileConfirmTitle",
                        "overwriteExistinFileConfirmMsg",
                        "DiscardButtonTitle1",
                        "EmptyPresetAlertTitle",
                        "DefaultPresetAlertTitle",
                        "PresetExistAlertMsg",
                        "PresetNotExistAlertMsg",
                        "RemoveExistPresetAlertMsg",
                        "ReplaceButtonTitle",
                        "RemoveButtonTitle",
                        "NoTitle",
                        "addingFile",
                        "addingFiles",
                        "TotalImageString",
                        "Sort by",
                        "Sort by %@",
                        "OpenDialogTitle",
                        "AddDialogButton",
                        "OpenWatermarkImageDialogTitle",
                        "SetImageDialogButton",
                        "RemovePresetAlertMsg",
                        "RemoveManyPresetAlertMsg",
                        "DeleteTitle",
                        "ModifyPresetAlertMsg",
                        "ModifyPresetAlertMsg1",
                        "SaveTitle",
                        "DontSaveTitle",
                        "Waiting in queue",
                        "Waiting to be optimized",
                        "Waiting to start more optimizations",
                        "Inspecting file",
                        "Started %@",
                        "File cannot be optimized any further",
                        "Optimized successfully with %@",
                        "Can't map file into memory",
                        "File is neither PNG, GIF nor JPEG",
                        "Size of optimized file is 0",
                        "%@ failed to start",
                        "All neccessary tools have been disabled in Preferences",
                        "Optimized file could not be saved",
                        "Page",
                        "Alert",
                        "Can't find application support folder",
                        "Quit",
                        "Can't find user /Library folder",
                        "Date format:",
                        "Time format:"};
  for (const char* key : keys) {
    const QVariant text = table.value(QString::fromUtf8(key));
    EXPECT_EQ(text.typeId(), QMetaType::QString) << key;
    EXPECT_FALSE(text.toString().isEmpty()) << key;
  }
}

// The callers fill formats with QString::arg; a text without the right markers would drop
// or misplace the values.
TEST(Localization, FormatsCarryOneMarkerPerArgument) {
  const struct {
    const char* key;
    int arguments;
  } formats[] = {{"Converting", 3},
                 {"ConvertMsgTitle", 2},
                 {"SuccessfullConvertMsgTitle", 2},
                 {"TotalImageString", 2},
                 {"addingFile", 1},
                 {"addingFiles", 1},
                 {"InvalidResolutionValueTitle", 1},
                 {"InvalidValueTitle", 1},
                 {"DefaultPresetAlertTitle", 1},
                 {"PresetExistAlertMsg", 1},
                 {"PresetNotExistAlertMsg", 1},
                 {"RemoveExistPresetAlertMsg", 1},
                 {"RemovePresetAlertMsg", 1},
                 {"Sort by %@", 1},
                 {"Started %@", 1},
                 {"Optimized successfully with %@", 1},
                 {"%@ failed to start", 1},
                 {"OkButtonString", 0},
                 {"FailureConvertMsg", 0},
                 {"RemoveManyPresetAlertMsg", 0}};
  static const QRegularExpression marker(QStringLiteral("%(\\d+)"));
  for (const auto& format : formats) {
    const QString text = LocalizedString(format.key);
    QList<int> found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
      found.append(it.next().captured(1).toInt());
    std::sort(found.begin(), found.end());
    QList<int> expected;
    for (int i = 1; i <= format.arguments; ++i) expected.append(i);
    EXPECT_EQ(found, expected) << format.key << ": " << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("%@"))) << format.key;
  }
  EXPECT_EQ(LocalizedString("Converting").arg(3).arg(10).arg(QStringLiteral("a.jpg")),
            QStringLiteral("Converting 3 of 10 a.jpg"));
  EXPECT_EQ(LocalizedString("TotalImageString").arg(2).arg(QStringLiteral("s")),
            QStringLiteral("2 images"));
}

}  // namespace
}  // namespace glimbrik
