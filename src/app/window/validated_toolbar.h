#pragma once

#include <QPointer>
#include <QToolBar>
#include <QWidgetAction>
#include <functional>

namespace glimbrik {

// A toolbar item that shows a control of its own (a view) instead of a plain button. Views are
// not validated by the toolbar like actions are: this item asks its target instead.
class QVXValidatedViewToolbarItem : public QWidgetAction {
  Q_OBJECT
 public:
  QVXValidatedViewToolbarItem(QWidget* view, QObject* parent = nullptr);

  QWidget* view() const { return defaultWidget(); }
  // The object that handles the view's action; the item is left alone without one.
  QPointer<QObject> target;
  // The target's answer for the item; an item whose target gives none is enabled.
  std::function<bool(QVXValidatedViewToolbarItem* item)> validateToolbarItem;

  // When the view is a control handled by a target, the item and its view take the target's
  // answer.
  void validate();
};

// A toolbar that validates the items with views itself (Qt validates only plain actions).
class QVXValidatedViewToolbar : public QToolBar {
  Q_OBJECT
 public:
  using QToolBar::QToolBar;
  // Every visible view item whose view sits in a window is validated.
  void validateVisibleItems();
};

}  // namespace glimbrik
