#include "app/panels/panel_widgets.h"

#include <QPainter>
#include <QStyle>

namespace glimbrik {

QWidget* NewPanelView(const char* name, QWidget* holder) {
  auto* view = new QWidget(holder);
  view->setObjectName(QString::fromLatin1(name));
  view->hide();
  return view;
}

QLabel* NewLabel(const char* name, const QString& text) {
  auto* label = new QLabel(text);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

namespace {
class ElidingLabel : public QLabel {
 public:
  QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QRect area = contentsRect();
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(),
                          fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()),
                          foregroundRole());
  }
};
}  // namespace

QLabel* NewElidingLabel(const char* name) {
  QLabel* label = new ElidingLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

void SetLabelEnabled(QLabel* label, bool enabled) {
  if (!label) return;
  // A disabled QLabel already takes the palette's disabled text colour.
  label->setEnabled(enabled);
}

}  // namespace glimbrik
