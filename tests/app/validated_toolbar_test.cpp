#include "app/validated_toolbar.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>

namespace glimbrik {
namespace {

TEST(ValidatedToolbar, ViewItemsFollowTheirTargetsAnswer) {
  QObject controller;
  QVXValidatedViewToolbar toolbar;
  auto* popup = new QComboBox;
  auto* item = new QVXValidatedViewToolbarItem(popup, &toolbar);
  item->target = &controller;
  bool allowed = false;
  item->validateToolbarItem = [&](QVXValidatedViewToolbarItem* asked) {
    EXPECT_EQ(asked, item);
    return allowed;
  };
  toolbar.addAction(item);
  auto* label = new QLabel(QStringLiteral("no control"));
  auto* plain = new QVXValidatedViewToolbarItem(label, &toolbar);
  plain->target = &controller;
  plain->validateToolbarItem = [](QVXValidatedViewToolbarItem*) { return false; };
  toolbar.addAction(plain);
  toolbar.show();

  toolbar.validateVisibleItems();
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(popup->isEnabled());
  EXPECT_TRUE(label->isEnabled()) << "a view that is no control is left alone";
  allowed = true;
  toolbar.validateVisibleItems();
  EXPECT_TRUE(popup->isEnabled());

  // Without an answer the control is usable; without a target it is left as it is.
  item->validateToolbarItem = nullptr;
  popup->setEnabled(false);
  item->validate();
  EXPECT_TRUE(popup->isEnabled());
  item->target = nullptr;
  popup->setEnabled(false);
  item->validate();
  EXPECT_FALSE(popup->isEnabled());
}

}  // namespace
}  // namespace glimbrik
