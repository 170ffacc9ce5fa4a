#include <gtest/gtest.h>

#include <QTest>

#include "app/app_fixtures.h"
#include "app/batch/batch_controller.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "optimise/stand_in_tool.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 60000;

// The optimisers' tools are stand-ins that only record their calls: what matters is which tool
// each written file was handed to.
TEST(BatchOptimiserChoice, EachKindGoesToItsOptimiserOnlyWhenChosen) {
  test::ForgetGeneralOptions();
  test::StandInTools tools;
  tools.install({"jpegoptim", "pngcrush"});
  auto app = test::StartApplication();
  BatchController* batch = InstallBatchRun(*app);
  int runs = 0;
  QObject::connect(batch, &BatchController::runFinished, [&] { ++runs; });
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  test::WriteJpeg(source + "/photo.jpg", 40, 30);
  test::WritePng(source + "/drawing.png", 40, 30);
  app->AddUrlsIntoImageListViewAtEnd({source + "/photo.jpg", source + "/drawing.png"});
  ASSERT_TRUE(test::WaitForAdding(*app));
  OptionPanels& p = app->panels();

  const struct {
    const char* choice;
    const char* tools;  // as each tool's first argument names it
  } cases[] = {{"JPEG files", "JpegOptim"},
               {"PNG files", "PngCrush"},
               {"JPEG and PNG files", "JpegOptim PngCrush"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    const qsizetype before = tools.invocations().size();
    // Each file keeps its own type.
    ASSERT_TRUE(test::ConvertOnlyInto(*app, test::MakeTempFolder(QStringLiteral("out")), 0));
    app->SwitchOnOffHeader(kOptimizationGroup, true, true);
    p.doNotShowPNGOptimizationAlertCheckBox->setChecked(true);
    const int item = p.OptimizationPopupOutlet->findText(QString::fromLatin1(c.choice));
    ASSERT_GE(item, 0);
    test::Choose(p.OptimizationPopupOutlet, item);
    const int runsBefore = runs;
    batch->ConvertAllButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs > runsBefore; }, kTimeoutMs));

    QStringList called;
    for (const QStringList& call : tools.invocations().mid(before)) called << call.value(0);
    called.sort();
    EXPECT_EQ(called.join(' ').toStdString(), c.tools);
  }
}

}  // namespace
}  // namespace glimbrik
