#include "widgets/text_field_enabled.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace glimbrik {
namespace {

TEST(SetTextFieldEnabled, OffTakesNoTypingNorSelectionAndLooksDisabledOnRestoresBoth) {
  QLineEdit field(QStringLiteral("draft"));
  field.show();
  const QPalette standard = QApplication::palette(&field);

  SetTextFieldEnabled(&field, false);
  EXPECT_TRUE(field.isEnabled()) << "only its looks and editing change";
  EXPECT_EQ(field.palette().color(QPalette::Active, QPalette::Text),
            standard.color(QPalette::Disabled, QPalette::Text));
  QTest::keyClicks(&field, QStringLiteral("x"));
  QTest::mouseDClick(&field, Qt::LeftButton);
  EXPECT_EQ(field.text(), QStringLiteral("draft"));
  EXPECT_FALSE(field.hasSelectedText());
  EXPECT_EQ(field.focusPolicy(), Qt::NoFocus);

  SetTextFieldEnabled(&field, true);
  EXPECT_EQ(field.palette().color(QPalette::Active, QPalette::Text),
            standard.color(QPalette::Active, QPalette::Text));
  field.setFocus();
  field.end(false);
  QTest::keyClicks(&field, QStringLiteral("s"));
  EXPECT_EQ(field.text(), QStringLiteral("drafts"));
  field.selectAll();
  EXPECT_TRUE(field.hasSelectedText());
}

}  // namespace
}  // namespace glimbrik
