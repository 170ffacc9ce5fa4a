#include "app/batch/batch_options.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QWidget>

#include "app/batch/batch_completion.h"
#include "app/batch/batch_file_dates.h"
#include "app/batch/batch_host.h"
#include "app/batch/batch_output_type.h"
#include "app/batch_test_support.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

BatchOptions ResizeByWidth(const QString& width) {
  BatchOptions o;
  o.resizeOn = true;
  o.scaleMode = 0;
  o.widthText = width;
  o.unit = 2;
  return o;
}

// The options checked as a run checks them: the answer, the record filled and the alerts shown.
struct Checked {
  explicit Checked(const BatchOptions& o, bool preview = false, bool pngNoteAnswer = true) {
    host.pngNoteAnswer = pngNoteAnswer;
    valid = IsConversionOptionsValid(o, preview, host, &c);
  }
  test::RecordingHost host;
  ImageConversion c;
  bool valid = false;
};

TEST(ConversionOptions, QualityReachesEveryLossyTypeAndNoOther) {
  for (int type : {0, 3, 4, 24, 7}) {
    BatchOptions o;
    o.outputType = type;
    o.quality = 0.6;
    const Checked k(o);
    ASSERT_TRUE(k.valid);
    EXPECT_DOUBLE_EQ(k.c.options.quality, type == 7 ? 0.0 : 0.6) << type;
    EXPECT_EQ(k.c.options.outputType, type);
  }
}

// Zero, and a resolution over the limit, go through the window's alerts in BatchWindow.
TEST(ConversionOptions, SizeFieldsThatAreNotAboveZeroStopTheRun) {
  BatchOptions o = ResizeByWidth(QStringLiteral("800"));
  o.scaleMode = 2;
  o.heightText = QStringLiteral("-3");
  const Checked negative(o);
  EXPECT_FALSE(negative.valid);
  EXPECT_EQ(negative.host.sizeAlerts, QStringList{QStringLiteral("height:-3")});
}

TEST(ConversionOptions, ResolutionLimitAndClamp) {
  BatchOptions o = ResizeByWidth(QStringLiteral("50"));
  o.resolutionOn = true;
  o.resolutionText = QStringLiteral("3000");
  const Checked limit(o);
  ASSERT_TRUE(limit.valid);
  EXPECT_EQ(limit.c.resize.resolution, 3000);
  for (const char* typed : {"-5", "0", ""}) {
    o.resolutionText = QString::fromLatin1(typed);
    const Checked k(o);
    ASSERT_TRUE(k.valid) << typed;
    EXPECT_EQ(k.c.resize.resolution, 1) << typed;
  }
  o.resolutionOn = false;
  o.resolutionText = QStringLiteral("300");
  EXPECT_EQ(GetResizingOptions(o)->resolution, 0);
}

TEST(ConversionOptions, ScaleModeDecidesProportionsSharpenAndBackground) {
  for (int mode = 0; mode <= 6; ++mode) {
    BatchOptions o = ResizeByWidth(QStringLiteral("640.5"));
    o.scaleMode = mode;
    o.heightText = QStringLiteral("480");
    o.sharpen = true;
    o.upsample = true;
    o.backgroundOn = true;
    o.backgroundColor = Qt::red;
    const Checked k(o);
    ASSERT_TRUE(k.valid) << mode;
    const bool proportional = mode != 3 && mode != 4;
    EXPECT_EQ(k.c.resize.keepAspectRatio, proportional ? 1 : 0) << mode;
    EXPECT_EQ(k.c.resize.sharpen, mode == 4 ? 0 : 1) << mode;
    EXPECT_EQ(k.c.resize.backgroundColor.has_value(), mode == 2) << mode;
    EXPECT_EQ(k.c.resize.width, mode == 1 ? 0.0 : 640.5) << mode;
    EXPECT_EQ(k.c.resize.height, mode == 0 ? 0.0 : 480.0) << mode;
  }
}

TEST(ConversionOptions, PNGNoteIsAskedOnlyWhenItApplies) {
  BatchOptions o;
  o.outputType = 7;
  o.optimizationOn = true;
  o.optimizationTag = 3;
  const Checked asked(o);
  EXPECT_TRUE(asked.valid);
  EXPECT_EQ(asked.host.pngNotes, 1);
  const Checked preview(o, true);
  EXPECT_TRUE(preview.valid);
  EXPECT_EQ(preview.host.pngNotes, 0) << "a preview never asks";
  for (auto change : std::vector<std::function<void(BatchOptions&)>>{
           [](BatchOptions& x) { x.doNotShowPNGOptimizationAlert = true; },
           [](BatchOptions& x) { x.outputType = 4; },
           [](BatchOptions& x) { x.optimizationTag = 1; },
           [](BatchOptions& x) { x.optimizationOn = false; }}) {
    BatchOptions changed = o;
    change(changed);
    const Checked k(changed);
    EXPECT_TRUE(k.valid);
    EXPECT_EQ(k.host.pngNotes, 0);
  }
}

TEST(ConversionOptions, WatermarksAndEffectFollowTheirGroups) {
  BatchOptions o;
  o.imageWatermarkOn = true;  // but no image chosen
  o.effectTag = 5;            // group off
  const Checked off(o);
  ASSERT_TRUE(off.valid);
  EXPECT_EQ(off.c.imageWatermarkEnabled, 0);
  EXPECT_EQ(off.c.effectType, 0);
  EXPECT_EQ(off.c.textWatermarks, nullptr);

  o.imageWatermark.image = QImage(8, 8, QImage::Format_ARGB32);
  o.effectOn = true;
  const Checked on(o);
  ASSERT_TRUE(on.valid);
  EXPECT_EQ(on.c.imageWatermarkEnabled, 1);
  EXPECT_EQ(on.c.effectType, 5);
}

TEST(CompletionAlert, TextsFollowTheStatusBits) {
  const CompletionAlertTexts one = CompletionAlertTextsFor(kStatusWritten, 1);
  EXPECT_EQ(one.title, QStringLiteral("1 image exported successfully"));
  EXPECT_TRUE(one.message.isEmpty());
  EXPECT_TRUE(one.offerOpenDestination);

  const CompletionAlertTexts mixed = CompletionAlertTextsFor(kStatusWritten | kStatusFailed, 3);
  EXPECT_EQ(mixed.title, QStringLiteral("3 images processed, not all of them exported"));
  EXPECT_TRUE(mixed.message.startsWith(QStringLiteral("Some images could not be exported.")));

  const CompletionAlertTexts small =
      CompletionAlertTextsFor(kStatusWritten | kStatusNotEnlarged, 2);
  EXPECT_TRUE(small.message.startsWith(QStringLiteral("Some images are smaller")))
      << "no blank before the only message";
  const CompletionAlertTexts both =
      CompletionAlertTextsFor(kStatusWritten | kStatusFailed | kStatusNotEnlarged, 2);
  EXPECT_TRUE(both.message.contains(QStringLiteral("written. Some images are smaller")));

  const CompletionAlertTexts allFailed = CompletionAlertTextsFor(kStatusFailed, 4);
  EXPECT_EQ(allFailed.title, QStringLiteral("Export failed"));
  EXPECT_FALSE(allFailed.offerOpenDestination);
  EXPECT_TRUE(allFailed.message.startsWith(QStringLiteral("Some images")));
  EXPECT_TRUE(
      CompletionAlertTextsFor(kStatusFailed, 1).message.startsWith(QStringLiteral("The image")));
}

// A date before the epoch, so that a signed time going wrong would show.
TEST(FileDates, TheModificationBoxAloneDecidesWhetherTheDateIsKept) {
  const QString path = test::MakeTempFolder() + "/s.jpg";
  const QDateTime old =
      QDateTime::fromString(QStringLiteral("1960-06-01T00:00:00.500Z"), Qt::ISODateWithMs);
  EXPECT_FALSE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old})) << "no file yet";
  ASSERT_TRUE(test::WriteBytes(path, {}));
  ASSERT_TRUE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));
  ASSERT_EQ(QFileInfo(path).lastModified(), old);

  for (bool created : {false, true}) {
    for (bool modified : {false, true}) {
      const auto kept = GetFileAttributes(path, created, modified);
      EXPECT_EQ(kept && kept->modificationDate == old, modified) << created << modified;
      EXPECT_FALSE(kept && kept->modificationDate && !modified) << created << modified;
    }
  }
  EXPECT_FALSE(GetFileAttributes(path + ".gone", true, true).has_value());
}

struct Panels {
  QWidget holder;
  OptionPanels p = BuildOptionPanels(&holder);
  Panels() {
    QComboBox* c = p.colorProfilePopUpButton;
    while (c->count() > 1) c->removeItem(1);
    AddTaggedItem(c, QStringLiteral("sRGB"), 1);
    AddTaggedItem(c, QStringLiteral("Coated CMYK"), 2);
    AddTaggedItem(c, QStringLiteral("Gray Gamma"), 3);
  }
  bool Hidden(int row) const {
    return qobject_cast<QListView*>(p.colorProfilePopUpButton->view())->isRowHidden(row);
  }
  void Choose(int type) {
    ASSERT_TRUE(SelectItemWithTag(p.destImageTypePopUpButton, type));
    SetImageTypeSecondaryOption(p);
  }
};

TEST(OutputTypeOptions, ProfilesNarrowToWhatTheTypeHolds) {
  Panels k;
  k.Choose(4);
  EXPECT_FALSE(k.Hidden(2));
  EXPECT_FALSE(k.Hidden(3));
  k.p.colorProfilePopUpButton->setCurrentIndex(2);  // CMYK
  k.Choose(7);
  EXPECT_TRUE(k.Hidden(2));
  EXPECT_FALSE(k.Hidden(3));
  EXPECT_EQ(k.p.colorProfilePopUpButton->currentIndex(), 0) << "a hidden choice falls back";
  k.p.colorProfilePopUpButton->setCurrentIndex(3);
  k.Choose(24);
  EXPECT_TRUE(k.Hidden(2));
  EXPECT_TRUE(k.Hidden(3));
  EXPECT_FALSE(k.Hidden(1));
  EXPECT_EQ(k.p.colorProfilePopUpButton->currentIndex(), 0);
  k.p.colorProfilePopUpButton->setCurrentIndex(1);
  k.Choose(0);
  EXPECT_EQ(k.p.colorProfilePopUpButton->currentIndex(), 0);
  EXPECT_FALSE(k.p.colorProfilePopUpButton->isEnabled());
  k.Choose(10);
  EXPECT_TRUE(k.p.colorProfilePopUpButton->isEnabled());
  EXPECT_FALSE(k.Hidden(2));
}

}  // namespace
}  // namespace glimbrik
