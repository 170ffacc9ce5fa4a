#include "app/batch_options.h"

#include <gtest/gtest.h>

#include "batch_test_support.h"

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

TEST(ConversionOptions, ResizeOffKeepsThePixelSize) {
  BatchOptions o;
  o.outputType = 7;
  o.quality = 0.5;
  test::RecordingHost host;
  ImageConversion c;
  ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c));
  EXPECT_EQ(c.resizeEnabled, 0);
  EXPECT_EQ(c.resize.width, 100.0);
  EXPECT_EQ(c.resize.height, 100.0);
  EXPECT_EQ(c.resize.unit, 1);
  EXPECT_EQ(c.resize.scaleMode, 2);
  EXPECT_EQ(c.resize.resample, 1);
  EXPECT_EQ(c.resize.keepAspectRatio, 0);
  EXPECT_EQ(c.options.quality, 0.0) << "PNG takes no quality";
  EXPECT_EQ(c.options.outputType, 7);
  EXPECT_EQ(c.options.resolution, 0);
}

TEST(ConversionOptions, QualityReachesEveryLossyType) {
  for (int type : {0, 3, 4, 24}) {
    BatchOptions o;
    o.outputType = type;
    o.quality = 0.6;
    test::RecordingHost host;
    ImageConversion c;
    ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_DOUBLE_EQ(c.options.quality, 0.6) << type;
  }
}

TEST(ConversionOptions, SizeFieldsThatAreNotAboveZeroStopTheRun) {
  {
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_FALSE(IsConversionOptionsValid(ResizeByWidth(QStringLiteral("0")), false, host, &c));
    EXPECT_EQ(host.sizeAlerts, QStringList{QStringLiteral("width:0")});
  }
  {
    BatchOptions o = ResizeByWidth(QStringLiteral("0"));
    o.scaleMode = 1;  // by height: the width field is not read
    o.heightText = QStringLiteral("240");
    test::RecordingHost host;
    ImageConversion c;
    ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_TRUE(host.sizeAlerts.isEmpty());
    EXPECT_EQ(c.resize.width, 0.0);
    EXPECT_EQ(c.resize.height, 240.0);
  }
  {
    BatchOptions o = ResizeByWidth(QStringLiteral("800"));
    o.scaleMode = 2;
    o.heightText = QStringLiteral("-3");
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_FALSE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_EQ(host.sizeAlerts, QStringList{QStringLiteral("height:-3")});
  }
  {
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_FALSE(IsConversionOptionsValid(ResizeByWidth(QStringLiteral("abc")), false, host, &c));
    EXPECT_EQ(host.sizeAlerts.size(), 1);
  }
}

TEST(ConversionOptions, ResolutionLimitAndClamp) {
  BatchOptions o = ResizeByWidth(QStringLiteral("50"));
  o.resolutionOn = true;
  o.resolutionText = QStringLiteral("3000");
  {
    test::RecordingHost host;
    ImageConversion c;
    ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_EQ(c.resize.resolution, 3000);
  }
  o.resolutionText = QStringLiteral("3001");
  {
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_FALSE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_EQ(host.resolutionAlerts, std::vector<int64_t>{3001});
  }
  for (const char* typed : {"-5", "0", ""}) {
    o.resolutionText = QString::fromLatin1(typed);
    test::RecordingHost host;
    ImageConversion c;
    ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c)) << typed;
    EXPECT_EQ(c.resize.resolution, 1) << typed;
    EXPECT_EQ(GetResizingOptions(o)->resolution, 1) << typed;
  }
  o.resolutionOn = false;
  o.resolutionText = QStringLiteral("300");
  EXPECT_EQ(GetResizingOptions(o)->resolution, 0);
}

TEST(ConversionOptions, ScaleModeDecidesProportionsSharpenAndBackground) {
  for (int mode = 0; mode <= 6; ++mode) {
    BatchOptions o = ResizeByWidth(QStringLiteral("640"));
    o.scaleMode = mode;
    o.heightText = QStringLiteral("480");
    o.sharpen = true;
    o.upsample = true;
    o.backgroundOn = true;
    o.backgroundColor = Qt::red;
    test::RecordingHost host;
    ImageConversion c;
    ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c)) << mode;
    const bool proportional = mode != 3 && mode != 4;
    EXPECT_EQ(c.resize.keepAspectRatio, proportional ? 1 : 0) << mode;
    EXPECT_EQ(c.resize.sharpen, mode == 4 ? 0 : 1) << mode;
    EXPECT_EQ(c.resize.backgroundColor.has_value(), mode == 2) << mode;
    EXPECT_EQ(c.resize.allowUpscale, 1);
    EXPECT_EQ(c.resize.width, mode == 1 ? 0.0 : 640.0) << mode;
    EXPECT_EQ(c.resize.height, mode == 0 ? 0.0 : 480.0) << mode;
  }
}

TEST(ConversionOptions, PNGNoteIsAskedOnlyWhenItApplies) {
  BatchOptions o;
  o.outputType = 7;
  o.optimizationOn = true;
  o.optimizationTag = 3;
  {
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_TRUE(IsConversionOptionsValid(o, false, host, &c));
    EXPECT_EQ(host.pngNotes, 1);
  }
  {
    test::RecordingHost host;
    host.pngNoteAnswer = false;
    ImageConversion c;
    EXPECT_FALSE(IsConversionOptionsValid(o, false, host, &c));
  }
  {
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_TRUE(IsConversionOptionsValid(o, true, host, &c)) << "a preview never asks";
    EXPECT_EQ(host.pngNotes, 0);
  }
  for (auto change : std::vector<std::function<void(BatchOptions&)>>{
           [](BatchOptions& x) { x.doNotShowPNGOptimizationAlert = true; },
           [](BatchOptions& x) { x.outputType = 4; },
           [](BatchOptions& x) { x.optimizationTag = 1; },
           [](BatchOptions& x) { x.optimizationOn = false; }}) {
    BatchOptions changed = o;
    change(changed);
    test::RecordingHost host;
    ImageConversion c;
    EXPECT_TRUE(IsConversionOptionsValid(changed, false, host, &c));
    EXPECT_EQ(host.pngNotes, 0);
  }
}

TEST(ConversionOptions, WatermarksAndEffectFollowTheirGroups) {
  BatchOptions o;
  o.imageWatermarkOn = true;  // but no image chosen
  o.effectTag = 5;            // group off
  test::RecordingHost host;
  ImageConversion c;
  ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &c));
  EXPECT_EQ(c.imageWatermarkEnabled, 0);
  EXPECT_EQ(c.effectType, 0);
  EXPECT_EQ(c.textWatermarks, nullptr);

  o.imageWatermark.image = QImage(8, 8, QImage::Format_ARGB32);
  o.imageWatermark.opacity = 0.4;
  o.imageWatermark.position = 2;
  o.effectOn = true;
  ImageConversion d;
  ASSERT_TRUE(IsConversionOptionsValid(o, false, host, &d));
  EXPECT_EQ(d.imageWatermarkEnabled, 1);
  EXPECT_EQ(d.imageWatermark.position, 2);
  EXPECT_DOUBLE_EQ(d.imageWatermark.opacity, 0.4);
  EXPECT_EQ(d.effectType, 5);
}

TEST(ResizingOptions, NoneWhenOffAndSizesNeverNegative) {
  BatchOptions o;
  EXPECT_FALSE(GetResizingOptions(o).has_value());
  o = ResizeByWidth(QStringLiteral("-20"));
  o.scaleMode = 2;
  o.heightText = QStringLiteral("-1");
  const auto r = GetResizingOptions(o);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(r->width, 0.0);
  EXPECT_EQ(r->height, 0.0);
  o.scaleMode = 0;
  o.widthText = QStringLiteral("33.5");
  o.heightText = QStringLiteral("90");
  EXPECT_EQ(GetResizingOptions(o)->width, 33.5);
  EXPECT_EQ(GetResizingOptions(o)->height, 0.0);
}

}  // namespace
}  // namespace glimbrik
