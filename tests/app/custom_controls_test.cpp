#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include "app/custom_cells.h"
#include "app/focus_keeping_window.h"

namespace glimbrik {
namespace {

TEST(FocusKeepingWindow, APopoverThatAsksForItKeepsTheFocusInTheWindow) {
  QVXWindow window;
  auto* tokenField = new QLineEdit;
  window.setCentralWidget(tokenField);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ASSERT_TRUE(window.makeFirstResponder(tokenField));
  ASSERT_EQ(QApplication::focusWidget(), tokenField);

  QWidget popover(&window, Qt::Tool);
  auto* content = new QVXFirstResponderStealingSuppressionView(&popover);
  auto* stepperField = new QSpinBox(content);
  (new QVBoxLayout(&popover))->addWidget(content);
  popover.setAttribute(Qt::WA_ShowWithoutActivating);
  popover.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
  window.activateWindow();  // the popover shows without taking the keyboard
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  tokenField->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == tokenField; }));

  content->setSuppressFirstResponderWhenPopoverShows(true);
  EXPECT_FALSE(window.makeFirstResponder(stepperField));
  EXPECT_EQ(window.focusWidget(), tokenField);
  EXPECT_TRUE(window.makeFirstResponder(tokenField)) << "its own controls always may";

  content->setSuppressFirstResponderWhenPopoverShows(false);  // the popover closed
  EXPECT_TRUE(window.makeFirstResponder(stepperField));
}

TEST(CustomCells, SelectionNeverScrollsTheMatrix) {
  QStandardItemModel model(60, 1);
  for (int row = 0; row < 60; ++row) model.setItem(row, new QStandardItem(QString::number(row)));
  QVXUnscrollableMatrix matrix;
  matrix.setModel(&model);
  matrix.resize(120, 80);
  matrix.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&matrix));
  matrix.setCurrentIndex(model.index(50, 0));
  QApplication::processEvents();
  EXPECT_EQ(matrix.verticalScrollBar()->value(), 0);
}

}  // namespace
}  // namespace glimbrik
