#include "app/window/validated_toolbar.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>

namespace glimbrik {
namespace {

// The widgets that stand for controls with an action; containers are not controls.
bool IsControl(const QWidget* view) {
  return qobject_cast<const QAbstractButton*>(view) || qobject_cast<const QComboBox*>(view) ||
         qobject_cast<const QAbstractSlider*>(view) ||
         qobject_cast<const QAbstractSpinBox*>(view) || qobject_cast<const QLineEdit*>(view);
}

}  // namespace

QVXValidatedViewToolbarItem::QVXValidatedViewToolbarItem(QWidget* view, QObject* parent)
    : QWidgetAction(parent) {
  setDefaultWidget(view);
}

void QVXValidatedViewToolbarItem::validate() {
  QWidget* control = view();
  if (!control || !IsControl(control) || !target) return;
  const bool enabled = validateToolbarItem ? validateToolbarItem(this) : true;
  setEnabled(enabled);
  control->setEnabled(enabled);
}

void QVXValidatedViewToolbar::validateVisibleItems() {
  for (QAction* action : actions()) {
    auto* item = qobject_cast<QVXValidatedViewToolbarItem*>(action);
    if (!item || !item->isVisible() || !item->view() || !item->view()->parentWidget()) continue;
    item->validate();
  }
}

}  // namespace glimbrik
