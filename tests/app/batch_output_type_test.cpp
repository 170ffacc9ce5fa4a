#include "app/batch_output_type.h"

#include <gtest/gtest.h>

#include <QListView>
#include <QWidget>

namespace glimbrik {
namespace {

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
