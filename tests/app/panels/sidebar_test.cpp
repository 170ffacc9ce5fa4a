#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/on_off_switch_cell.h"
#include "app/window/add_panel.h"

namespace glimbrik {
namespace {

class SidebarTest : public test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    sidebar = app->window()->configurationCollection;
  }
  QCheckBox* SwitchOf(int group) { return sidebar->headerView(group)->onOffSwitchButtonOutlet; }

  QVXOutlineView* sidebar = nullptr;
};

TEST_F(SidebarTest, ClickingASwitchTurnsItsGroupOnAndExpandsIt) {
  OptionPanels& p = AppTest::p();
  EXPECT_FALSE(p.widthTextField->isEnabled());
  QTest::mouseClick(SwitchOf(kResizeGroup), Qt::LeftButton);
  EXPECT_TRUE(app->isGroupOn(kResizeGroup));
  EXPECT_TRUE(sidebar->isItemExpanded(kResizeGroup));
  EXPECT_TRUE(p.widthTextField->isEnabled());

  // Turning on a group below keeps the one above expanded.
  QTest::mouseClick(SwitchOf(kEffectGroup), Qt::LeftButton);
  EXPECT_TRUE(sidebar->isItemExpanded(kResizeGroup));
  EXPECT_TRUE(sidebar->isItemExpanded(kEffectGroup));
  EXPECT_TRUE(p.effectsRadioButtonOutlet->button(3)->isEnabled());

  QTest::mouseClick(SwitchOf(kResizeGroup), Qt::LeftButton);
  EXPECT_FALSE(app->isGroupOn(kResizeGroup));
  EXPECT_FALSE(sidebar->isItemExpanded(kResizeGroup));
  // The Conversion switch cannot be used.
  QTest::mouseClick(SwitchOf(kConversionGroup), Qt::LeftButton);
  EXPECT_TRUE(app->isGroupOn(kConversionGroup));
  EXPECT_TRUE(SwitchOf(kConversionGroup)->isChecked());
  EXPECT_FALSE(p.widthTextField->isEnabled());
  EXPECT_FALSE(p.sizeFormatTypePopupButton->isEnabled());

  // A switch finds its group by index even where the titles repeat.
  const QString repeated = app->configurations()[kOptimizationGroup]->title;
  sidebar->headerView(kRenameGroup)->textField->setText(repeated);
  SwitchOf(kRenameGroup)->setText(repeated);
  QTest::mouseClick(SwitchOf(kRenameGroup), Qt::LeftButton);
  EXPECT_TRUE(app->isGroupOn(kRenameGroup));
  EXPECT_FALSE(app->isGroupOn(kOptimizationGroup));
  EXPECT_TRUE(p.renamePresetPopupOutlet->isEnabled());
  EXPECT_FALSE(p.OptimizationPopupOutlet->isEnabled());

  // Switched from code, the header follows; a group that does not exist changes nothing.
  app->SwitchOnOffHeader(kOptimizationGroup, true, false);
  app->SwitchOnOffHeader(7, true, false);
  EXPECT_TRUE(SwitchOf(kOptimizationGroup)->isChecked());
  EXPECT_TRUE(p.OptimizationPopupOutlet->isEnabled());

  // The switches say ON and OFF on their two sides.
  auto* cell = qobject_cast<OnOffSwitchControlCell*>(SwitchOf(kOptimizationGroup));
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->showsOnOffLabels());
  EXPECT_EQ(cell->onSwitchLabel(), QStringLiteral("ON"));
  EXPECT_EQ(cell->offSwitchLabel(), QStringLiteral("OFF"));
  const QImage labelled = cell->grab().toImage();
  cell->setShowsOnOffLabels(false);
  EXPECT_NE(cell->grab().toImage(), labelled) << "the labels are drawn";
  cell->setShowsOnOffLabels(true);
}

TEST_F(SidebarTest, AHeaderPressTogglesTheDisclosureOnlyWhenReleasedInside) {
  QVXConfigurationHeaderView* header = sidebar->headerView(kRenameGroup);
  const QPoint inside(header->width() / 3, header->height() / 2);
  QTest::mouseClick(header, Qt::LeftButton, {}, inside);
  EXPECT_TRUE(sidebar->isItemExpanded(kRenameGroup));
  EXPECT_FALSE(app->isGroupOn(kRenameGroup)) << "the disclosure does not switch the group";
  QTest::mousePress(header, Qt::LeftButton, {}, inside);
  QMouseEvent move(QEvent::MouseMove, QPointF(inside.x(), header->height() + 40),
                   header->mapToGlobal(QPointF(inside.x(), header->height() + 40)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(header, &move);
  QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(inside.x(), header->height() + 40));
  EXPECT_TRUE(sidebar->isItemExpanded(kRenameGroup));
  QTest::mouseClick(header->disclosureButton, Qt::LeftButton);
  EXPECT_FALSE(sidebar->isItemExpanded(kRenameGroup));

  // A group switched off at the end of a scrolled sidebar keeps its triangle under the pointer,
  // so the next click there opens it again; scrolling back up gives the room back.
  for (int group = 0; group < kConfigurationGroupCount; ++group) sidebar->expandItem(group);
  sidebar->resize(300, 500);
  QApplication::processEvents();
  QScrollBar* bar = sidebar->verticalScrollBar();
  bar->setValue(bar->maximum());
  QWidget* triangle = sidebar->headerView(kEffectGroup)->disclosureButton;
  const QPoint at = triangle->mapTo(sidebar->viewport(), triangle->rect().center());
  ASSERT_GT(bar->value(), 0);
  ASSERT_EQ(sidebar->viewport()->childAt(at), triangle);
  QTest::mouseClick(SwitchOf(kEffectGroup), Qt::LeftButton);
  QTest::mouseClick(SwitchOf(kEffectGroup), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(sidebar->isItemExpanded(kEffectGroup));
  ASSERT_EQ(sidebar->viewport()->childAt(at), triangle);
  QTest::mouseClick(triangle, Qt::LeftButton);
  EXPECT_TRUE(sidebar->isItemExpanded(kEffectGroup));
  sidebar->collapseItem(kEffectGroup);
  bar->setValue(0);
  QApplication::processEvents();
  bar->setValue(bar->maximum());
  const QWidget* last = triangle->parentWidget();
  EXPECT_EQ(last->mapTo(sidebar->viewport(), QPoint(0, last->height())).y(),
            sidebar->viewport()->height());
}

TEST_F(SidebarTest, AtTheSmallestWindowNoSidebarControlIsCut) {
  for (int group = 0; group < kConfigurationGroupCount; ++group) sidebar->expandItem(group);
  test::Choose(AppTest::p().renamePresetPopupOutlet, 4);  // the longest built-in pattern
  app->window()->resize(1, 1);                            // as small as the window allows
  QApplication::processEvents();
  const QWidget* viewport = sidebar->viewport();
  for (QWidget* control : sidebar->widget()->findChildren<QWidget*>()) {
    if (!control->isVisibleTo(sidebar->widget()) || control->isWindow()) continue;
    const QRect at(control->mapTo(viewport, QPoint()), control->size());
    EXPECT_TRUE(at.left() >= 0 && at.right() < viewport->width())
        << control->objectName().toStdString();
  }
  // The pattern wraps in its field rather than hiding its end.
  const TokenField* field = AppTest::p().renameTokenTextFieldOutlet;
  EXPECT_LE(field->document()->size().width(), field->viewport()->width());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return field->document()->size().height() <= field->viewport()->height(); }, 2000));
}

TEST_F(SidebarTest, WheelScrollsTheSidebarSeparatorsAreRealAndDialogsOpenWhereUseful) {
  OptionPanels& p = AppTest::p();
  // A short sidebar with every group open, so that there is something to scroll.
  for (int group = 0; group < kConfigurationGroupCount; ++group) sidebar->expandItem(group);
  sidebar->resize(300, 200);
  sidebar->show();
  QApplication::processEvents();
  QScrollBar* bar = sidebar->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  p.imageQualityStepper->setEnabled(true);
  for (QWidget* control : std::initializer_list<QWidget*>{
           p.destImageTypePopUpButton, p.imageQualityStepper, p.imageQualitySlider}) {
    sidebar->ensureWidgetVisible(control);
    QApplication::processEvents();
    const int scrolled = bar->value();
    const QVariant before =
        control->property(qobject_cast<QComboBox*>(control) ? "currentIndex" : "value");
    const QPoint centre = control->rect().center();
    QWheelEvent wheel(centre, control->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(control, &wheel);
    EXPECT_EQ(control->property(qobject_cast<QComboBox*>(control) ? "currentIndex" : "value"),
              before)
        << control->objectName().toStdString();
    EXPECT_NE(bar->value(), scrolled) << control->objectName().toStdString();
  }

  // Pop-up items without a value of their own are separators, which cannot be chosen.
  for (QComboBox* popup : {p.renamePresetPopupOutlet, p.imageDimentionsPopupOutlet}) {
    EXPECT_EQ(popup->findText(QStringLiteral("-")), -1) << popup->objectName().toStdString();
  }
  EXPECT_EQ(p.renamePresetPopupOutlet->itemData(1, Qt::AccessibleDescriptionRole).toString(),
            QStringLiteral("separator"));

  // The Add dialog opens in the home folder, then in the folder last used; not the working one.
  const QString elsewhere = test::MakeTempFolder(QStringLiteral("cwd"));
  const QString pictures = test::MakeTempFolder(QStringLiteral("pictures"));
  const QString working = QDir::currentPath();
  QDir::setCurrent(elsewhere);
  {
    AddPanel panel(nullptr, nullptr);
    EXPECT_EQ(QDir(panel.directory()).absolutePath(), QDir::homePath());
    ASSERT_TRUE(test::WriteBytes(pictures + QStringLiteral("/a.png"), "x"));
    panel.setDirectory(pictures);
    panel.selectFile(pictures + QStringLiteral("/a.png"));
    panel.accept();
  }
  AddPanel again(nullptr, nullptr);
  EXPECT_EQ(QDir(again.directory()).absolutePath(), QDir(pictures).absolutePath());
  QDir::setCurrent(working);
}

}  // namespace
}  // namespace glimbrik
