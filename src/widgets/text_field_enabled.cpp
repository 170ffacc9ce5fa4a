#include "widgets/text_field_enabled.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPalette>

namespace glimbrik {

namespace {

// A read-only line edit still selects with the mouse: this takes the mouse from it.
class NoSelection final : public QObject {
 public:
  explicit NoSelection(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("glimbrikNoSelection"));
  }
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::MouseButtonRelease:
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
    }
  }
};

}  // namespace

void SetTextFieldEnabled(QLineEdit* field, bool flag) {
  if (!field) return;
  field->setReadOnly(!flag);
  field->setFocusPolicy(flag ? Qt::StrongFocus : Qt::NoFocus);
  auto* filter = field->findChild<NoSelection*>(QStringLiteral("glimbrikNoSelection"),
                                                Qt::FindDirectChildrenOnly);
  if (flag) {
    delete filter;
  } else {
    if (!filter) field->installEventFilter(new NoSelection(field));
    field->deselect();
  }
  const QPalette standard = QApplication::palette(field);
  QPalette palette = field->palette();
  const QColor text = flag ? standard.color(QPalette::Active, QPalette::Text)
                           : standard.color(QPalette::Disabled, QPalette::Text);
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Text, text);
  }
  field->setPalette(palette);
}

}  // namespace glimbrik
