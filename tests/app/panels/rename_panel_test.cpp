#include <gtest/gtest.h>

#include <QImage>
#include <QMenu>
#include <QTest>
#include <tuple>
#include <utility>

#include "app/app_fixtures.h"
#include "app/batch/batch_paths.h"
#include "app/batch/rename_string.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/number_field.h"
#include "engine/tokens/text_token_archive.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"
#include "watermark/watermark_fixtures.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 20000;

class RenamePanel : public test::AppTest {
 protected:
  TokenField& field() { return *app->renameTokenTextFieldOutlet(); }
  QString example() { return p().exampleStringStaticText->text(); }
  void AddAndSelect(int width, int height) {
    const QString path = test::MakeTempFolder(QStringLiteral("rename")) + "/photo.png";
    test::WritePng(path, width, height);
    AppTest::AddAndSelect({path});
  }
  void Choose(int index) { test::Choose(p().renamePresetPopupOutlet, index); }
};

TEST_F(RenamePanel, BuiltInPatternsFillTheFieldAndTheExampleFollows) {
  AddAndSelect(800, 600);
  app->SwitchOnOffHeader(kRenameGroup, false, true);
  Choose(5);
  EXPECT_EQ(field().tokens().size(), 6);
  EXPECT_EQ(example(), QStringLiteral("-"));  // the group is off

  app->SwitchOnOffHeader(kRenameGroup, true, true);
  EXPECT_EQ(example(), QStringLiteral("IMG [800x600] 1"));
  EXPECT_EQ(app->GetRenameTokens(), field().tokens());

  // A resize reaches the example and the watermark's new-file-name token, which shows the
  // source's name once renaming is off.
  app->SwitchOnOffHeader(kResizeGroup, true, true);
  p().widthTextField->setText(QStringLiteral("50"));
  app->changeResizeOptionAction(p().widthTextField);
  EXPECT_EQ(example(), QStringLiteral("IMG [400x300] 1"));
  const TokenArray newName{QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)};
  EXPECT_EQ(app->GetTextWatermarkFullString(newName), QStringLiteral("IMG [400x300] 1"));
  app->SwitchOnOffHeader(kRenameGroup, false, true);
  EXPECT_FALSE(app->GetRenameTokens());
  EXPECT_EQ(app->GetTextWatermarkFullString(newName), QStringLiteral("photo"));
  // The overlay's resolution token is redrawn with the resolution the resize panel sets.
  WatermarkView& view = *app->watermarkContextView;
  const TokenArray dpi{QVXWatermarkTextToken(QStringLiteral("Resolution"), 13),
                       QStringLiteral(" dpi")};
  QVariantMap preset = test::CompletePreset(QStringLiteral("-"));
  preset.insert(QString::fromLatin1(kTextStringKey), ArchiveTokenArray(dpi));
  test::SetPresets(view.model(), {{"dpi", preset}}, {true});
  app->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  QStringList drawn;
  view.host.textWatermarkFullString =
      [&, shown = view.host.textWatermarkFullString](const TokenArray& tokens) {
        drawn << shown(tokens);
        return drawn.last();
      };
  view.repaint();
  EXPECT_EQ(drawn.value(0), QStringLiteral("72 dpi"));
  p().resolutionCheckBox->click();
  p().resolutionComboBoxOutlet->setEditText(QStringLiteral("300"));
  drawn.clear();
  emit qobject_cast<NumberField*>(p().resolutionComboBoxOutlet->lineEdit())->textDidChange();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !drawn.isEmpty(); }, 2000));
  EXPECT_EQ(drawn.value(0), QStringLiteral("300 dpi"));
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  app->window()->imageListViewOutlet->clearSelection();
  EXPECT_EQ(example(), QStringLiteral("-"));
}

TEST_F(RenamePanel, ItemsWithoutAPatternChangeNothingAndAnEditLeavesThePreset) {
  AddAndSelect(40, 30);
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  QComboBox* photo = app->PhotoPresetPopupButton();
  photo->addItem(QStringLiteral("Stored"), 9);
  photo->setCurrentIndex(photo->count() - 1);
  Choose(2);
  EXPECT_EQ(example(), QStringLiteral("IMG_1"));
  EXPECT_EQ(photo->currentData().toInt(), 0);

  photo->setCurrentIndex(photo->count() - 1);
  const TokenArray before = field().tokens();
  for (int index : {1, 7}) {
    Choose(index);
    EXPECT_EQ(field().tokens(), before);
    EXPECT_EQ(photo->currentData().toInt(), 9);
  }

  Choose(2);
  field().moveCursor(QTextCursor::End);
  QTest::keyClicks(&field(), QStringLiteral("x"));
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 0);
  EXPECT_EQ(example(), QStringLiteral("IMG_1x"));
}

TEST_F(RenamePanel, TheDatedPatternSpellsTheMonthShort) {
  const QString path = test::MakeTempFolder(QStringLiteral("rename")) + "/dated.jpg";
  ASSERT_TRUE(test::WriteBytes(path, test::JpegWithMetadata(test::BuildTiffMetadata(
                                         {}, {test::AsciiEntry(0x9003, "2021:10:05 14:30:00")}))));
  AppTest::AddAndSelect({path});
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  Choose(4);
  ASSERT_EQ(p().renamePresetPopupOutlet->currentText().toStdString(), "yyyy MMM IMG_#");
  EXPECT_EQ(example().toStdString(), "2021 Oct IMG_1");
}

// Of several selected rows, the one the user selected last is the one named.
TEST_F(RenamePanel, TheExampleNamesTheRowSelectedLast) {
  const QString folder = test::MakeTempFolder(QStringLiteral("rename"));
  QStringList paths;
  for (const auto& [name, width, height] :
       {std::tuple{"a.png", 40, 30}, {"b.png", 50, 20}, {"c.png", 60, 10}}) {
    test::WritePng(paths.emplaceBack(folder + "/" + name), width, height);
  }
  AppTest::AddAndSelect(paths);
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  Choose(5);
  ASSERT_EQ(example().toStdString(), "IMG [40x30] 1");

  test::ClickRow(*app, 2, Qt::ControlModifier);
  ASSERT_EQ(app->selectedRows(), (QList<int>{0, 2}));
  EXPECT_EQ(example().toStdString(), "IMG [60x10] 3") << "the later, lower row";

  test::ClickRow(*app, 2);
  test::ClickRow(*app, 0, Qt::ControlModifier);
  ASSERT_EQ(app->selectedRows(), (QList<int>{0, 2}));
  EXPECT_EQ(example().toStdString(), "IMG [40x30] 1") << "the later, upper row";
}

TEST_F(RenamePanel, TheInsertButtonOffersTheRenameItems) {
  // The button is usable exactly while the group is on, as the field is, and looks it: its
  // black template is drawn faint when disabled.
  EXPECT_FALSE(p().renameInsertTokenButtonOutlet->isEnabled());
  EXPECT_FALSE(field().isEnabled());
  const QImage alpha = p().renameInsertTokenButtonOutlet->icon()
                           .pixmap(16, QIcon::Disabled)
                           .toImage()
                           .convertToFormat(QImage::Format_Alpha8);
  EXPECT_LT(*std::max_element(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes()), 128);
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  EXPECT_TRUE(p().renameInsertTokenButtonOutlet->isEnabled());
  p().renameInsertTokenButtonOutlet->click();
  WatermarkTextTokens* tokens = app->watermarkTextTokens();
  QMenu* menu = tokens->textTextFieldInsertTokenMenu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kTimeoutMs));
  EXPECT_TRUE(tokens->menuItemWithTag(1)->isVisible());
  EXPECT_FALSE(tokens->menuItemWithTag(8)->isVisible());
  tokens->menuItemWithTag(18)->trigger();
  menu->close();
  // The default pattern, then the inserted token.
  EXPECT_EQ(field().tokens(),
            (TokenArray{QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9),
                        QVXWatermarkTextToken(QStringLiteral("Camera Maker"), 18)}));
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 0);
}

TEST_F(RenamePanel, SwitchingOverwriteOnAsksFirst) {
  QCheckBox* box = p().overwriteExistingCheckButton;
  box->setChecked(false);
  {
    test::AlertAnswerer alerts;
    alerts.answers << "defaultButton";  // "Don't Overwrite"
    box->click();
    EXPECT_FALSE(box->isChecked());
  }
  test::AlertAnswerer alerts;
  alerts.answers << "alterButton";
  box->click();
  EXPECT_TRUE(box->isChecked());
  box->click();  // switching off asks nothing
  EXPECT_FALSE(box->isChecked());
}

TokenArray SizePattern() {
  return {QStringLiteral("IMG ["), QVXWatermarkTextToken(QStringLiteral("Image Width"), 11),
          QStringLiteral("x"),     QVXWatermarkTextToken(QStringLiteral("Image Height"), 12),
          QStringLiteral("] "),    QVXWatermarkTextToken(QStringLiteral("#"), 1)};
}

BatchEntry Entry(const QString& path, double angle = 0.0) {
  BatchEntry e;
  e.filePath = path;
  e.width = 1000;
  e.height = 750;
  e.resolution = 72;
  e.angle = angle;
  return e;
}

ImageResizeOptions HalfSize() {
  return {.keepAspectRatio = 1, .resample = 1, .width = 50, .unit = 1, .backgroundColor = {}};
}

TEST(RenameString, ExpandsWithTheOutputSizeAndTheRunIndex) {
  const QString path = test::MakeTempFolder() + "/photo.png";
  ASSERT_TRUE(QImage(1000, 750, QImage::Format_RGB32).save(path));
  const ImageResizeOptions half = HalfSize();
  EXPECT_EQ(GetRenameStringForObject(Entry(path), &half, 0, SizePattern()),
            QStringLiteral("IMG [500x375] 1"));

  BatchEntry notLoaded;  // the list has not read the file's facts yet
  notLoaded.filePath = path;
  EXPECT_EQ(GetRenameStringForObject(notLoaded, &half, 4, SizePattern()),
            QStringLiteral("IMG [500x375] 5"));
}

TEST(RenameString, QuarterTurnsExchangeWidthAndHeight) {
  const QString path = test::MakeTempFolder() + "/photo.png";
  // Whole quarter turns count, by the angle's whole degrees.
  for (const auto& [angle, turned] : {std::pair{90.0, true},
                                      {270.0, true},
                                      {-90.0, true},
                                      {90.9, true},
                                      {180.0, false},
                                      {-180.0, false},
                                      {89.9, false}}) {
    EXPECT_EQ(GetRenameStringForObject(Entry(path, angle), nullptr, 0, SizePattern()),
              turned ? QStringLiteral("IMG [750x1000] 1") : QStringLiteral("IMG [1000x750] 1"))
        << angle;
  }
  // Sides are rounded after the turn, each whole.
  BatchEntry e = Entry(QString());
  e.width = 1000.6;
  e.height = 750.4;
  e.angle = 90;
  EXPECT_EQ(GetRenameStringForObject(e, nullptr, 0, SizePattern()),
            QStringLiteral("IMG [750x1001] 1"));
}

TEST(RenameString, ResizeTokensAreFoundOnlyAsTokens) {
  EXPECT_TRUE(IsRenameContainsResizeTokens(SizePattern()));
  EXPECT_TRUE(IsRenameContainsResizeTokens({QVXWatermarkTextToken(QStringLiteral("dpi"), 13)}));
  EXPECT_FALSE(IsRenameContainsResizeTokens({QStringLiteral("11"),
                                             QVXWatermarkTextToken(QStringLiteral("#"), 1),
                                             QVXWatermarkTextToken(QStringLiteral("x"), 14)}));
}

TEST(RenameString, BuiltInPatterns) {
  for (int index : {0, 1, 7, 8, 12}) EXPECT_FALSE(BuiltInRenamePattern(index)) << index;
  // Pattern 3 keeps its closing blank before the extension.
  const TokenArray dated = *BuiltInRenamePattern(3);
  EXPECT_EQ(dated.size(), 7);
  EXPECT_EQ(dated.last(), TokenElement(QStringLiteral(" ")));

  // The camera maker's slash becomes a colon in the file name.
  const QString camera = test::MakeTempFolder() + "/camera.jpg";
  ASSERT_TRUE(test::WriteBytes(camera, test::JpegWithMetadata(test::BuildTiffMetadata(
                                           {test::AsciiEntry(0x010f, "A/B")}, {}))));
  EXPECT_EQ(SanitizeFileName(
                GetRenameStringForObject(Entry(camera), nullptr, 0, *BuiltInRenamePattern(6))),
            QStringLiteral("A:B_1"));
  // Without a maker the source's name is kept, dots inside it too.
  const QString plain = test::MakeTempFolder() + "/holiday.2020.png";
  ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(plain));
  EXPECT_EQ(GetRenameStringForObject(Entry(plain), nullptr, 3,
                                     {QVXWatermarkTextToken(QStringLiteral("Camera Maker"), 18)}),
            QStringLiteral("holiday.2020"));
}

TEST(RenameString, WatermarkTextShowsTheNewNameAndTheOutputSize) {
  BatchEntry e = Entry(test::MakeTempFolder() + "/IMG_0001.JPG");
  const TokenArray newName{QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)};
  EXPECT_EQ(TextWatermarkFullString(e, nullptr, std::nullopt, 0, newName),
            QStringLiteral("IMG_0001"));
  const TokenArray pattern{QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9),
                           QStringLiteral("_"), QVXWatermarkTextToken(QStringLiteral("#"), 1)};
  EXPECT_EQ(TextWatermarkFullString(e, nullptr, pattern, 2, newName), QStringLiteral("IMG_0001_3"));
  const TokenArray nothing{QVXWatermarkTextToken(QStringLiteral("Author"), 15)};
  EXPECT_EQ(TextWatermarkFullString(e, nullptr, nothing, 2, newName), QStringLiteral("IMG_0001"));

  e.width = 4000;
  e.height = 3000;
  e.angle = 270;
  const ImageResizeOptions half = HalfSize();
  const TokenArray size{QVXWatermarkTextToken(QStringLiteral("W"), 11), QStringLiteral("x"),
                        QVXWatermarkTextToken(QStringLiteral("H"), 12),
                        QVXWatermarkTextToken(QStringLiteral("#"), 1)};
  EXPECT_EQ(TextWatermarkFullString(e, nullptr, pattern, 0, size), QStringLiteral("3000x4000"));
  EXPECT_EQ(TextWatermarkFullString(e, &half, pattern, 0, size), QStringLiteral("1500x2000"));
}

}  // namespace
}  // namespace glimbrik
