#include "app/window/focus_keeping_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWindow>

namespace glimbrik {
namespace {

// Under X11 a sheet hidden before the window manager mapped it would be activated by the late
// map, and the window's shortcuts stop working. Offscreen activates at once, so what is checked is
// that no native window, and with it no activation request, outlives such a sheet.
TEST(FocusKeepingWindow, ASheetHiddenBeforeItReachedTheScreenLeavesNoActivationBehind) {
  QVXWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QDialog sheet(&window);
  sheet.setWindowModality(Qt::WindowModal);

  // A quick adding run: shown and hidden before the window system answered.
  sheet.open();
  ASSERT_TRUE(sheet.windowHandle() && sheet.windowHandle()->handle());
  ASSERT_FALSE(sheet.windowHandle()->isExposed());
  sheet.hide();
  EXPECT_EQ(sheet.windowHandle()->handle(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));

  // It shows again as before, and one that was on screen keeps its native window.
  sheet.open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
  EXPECT_TRUE(sheet.isVisible());
  sheet.hide();
  EXPECT_NE(sheet.windowHandle()->handle(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
}

}  // namespace
}  // namespace glimbrik
