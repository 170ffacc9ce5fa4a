#include <gtest/gtest.h>

#include <QDir>
#include <cstdlib>

#include "support/test_env.h"

#ifdef GLIMBRIK_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
  // Never touch the real home folder: everything user-level goes below a temporary root.
  const QByteArray root = glimbrik::test::TestRoot().toLocal8Bit();
  setenv("HOME", root.constData(), 1);
  setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
  setenv("XDG_DATA_HOME", (root + "/data").constData(), 1);
  setenv("XDG_CACHE_HOME", (root + "/cache").constData(), 1);
  setenv("GLIMBRIK_PREFERENCES_DIR", (root + "/Library/Preferences").constData(), 1);
  setenv("GLIMBRIK_SUPPORT_DIR", (root + "/Library/Application Support/Glimbrik").constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
