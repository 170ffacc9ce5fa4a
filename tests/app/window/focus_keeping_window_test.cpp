#include "app/window/focus_keeping_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QWindow>

namespace glimbrik {
namespace {

// Under X11 a modal asks for activation as it shows, and the request waits for the window
// manager's map; if the sheet hides first, the late map makes Qt take the hidden sheet for the
// active window and the window's shortcuts stop working. The offscreen platform activates at
// once, so what is checked is that no native window, and so no request, outlives such a sheet.
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
