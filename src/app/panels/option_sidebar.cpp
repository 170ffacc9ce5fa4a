#include "app/panels/option_sidebar.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/panels/on_off_switch_cell.h"

namespace glimbrik {

namespace {
constexpr int kHeaderHeight = 23;

void PaintStripe(QWidget* row, bool odd) {
  QPalette palette = row->palette();
  const int grey = odd ? 232 : 222;  // 0.91 and 0.87 white
  palette.setColor(QPalette::Window, QColor(grey, grey, grey));
  row->setPalette(palette);
  row->setAutoFillBackground(true);
}
}  // namespace

QVXConfigurationHeaderView::QVXConfigurationHeaderView(int group, QWidget* parent)
    : QWidget(parent), group_(group) {
  setObjectName(QStringLiteral("HeaderView"));
  setFixedHeight(kHeaderHeight);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 0, 6, 0);
  layout->setSpacing(4);
  disclosureButton = new QToolButton(this);
  disclosureButton->setObjectName(QStringLiteral("disclosureButton"));
  disclosureButton->setAutoRaise(true);
  disclosureButton->setCheckable(true);
  disclosureButton->setArrowType(Qt::RightArrow);
  disclosureButton->setFixedSize(16, 16);
  textField = new QLabel(this);
  QFont bold = textField->font();
  bold.setBold(true);
  textField->setFont(bold);
  onOffSwitchButtonOutlet = new OnOffSwitchControlCell(this);
  onOffSwitchButtonOutlet->setObjectName(QStringLiteral("onOffSwitchButtonOutlet"));
  onOffSwitchButtonOutlet->setProperty("configurationGroup", group);
  layout->addWidget(disclosureButton);
  layout->addWidget(textField, 1);
  layout->addWidget(onOffSwitchButtonOutlet);
  connect(disclosureButton, &QToolButton::clicked, this,
          &QVXConfigurationHeaderView::disclosureClicked);
}

void QVXConfigurationHeaderView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  QLinearGradient gradient(0, 0, 0, height());
  gradient.setColorAt(0, QColor(231, 233, 248));
  gradient.setColorAt(1, QColor(175, 179, 201));
  painter.fillRect(event->rect(), gradient);
}

void QVXConfigurationHeaderView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  disclosureButton->setDown(pressed_);
}

void QVXConfigurationHeaderView::mouseMoveEvent(QMouseEvent* event) {
  pressed_ = rect().contains(event->position().toPoint());
  disclosureButton->setDown(pressed_);
}

void QVXConfigurationHeaderView::mouseReleaseEvent(QMouseEvent* event) {
  const bool inside = pressed_ && rect().contains(event->position().toPoint());
  pressed_ = false;
  disclosureButton->setDown(false);
  if (inside) emit disclosureClicked();
}

QVXOutlineView::QVXOutlineView(QWidget* parent) : QScrollArea(parent) {
  setObjectName(QStringLiteral("configurationCollection"));
  setWidgetResizable(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  content_ = new QWidget;
  QPalette palette = content_->palette();
  palette.setColor(QPalette::Window, QColor(233, 233, 233));  // 0.915 white
  content_->setPalette(palette);
  content_->setAutoFillBackground(true);
  layout_ = new QVBoxLayout(content_);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  layout_->addStretch(1);
  filler_ = new QWidget(content_);
  filler_->setFixedHeight(0);
  layout_->addWidget(filler_);
  setWidget(content_);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &QVXOutlineView::trimFiller);
  // Wheel events reach the control under the pointer first: they are caught on the way.
  qApp->installEventFilter(this);
}

bool QVXOutlineView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    // An open pop-up's list is a window of its own and scrolls itself.
    for (QWidget* w = widget; w && w != content_ && !w->isWindow(); w = w->parentWidget()) {
      const bool valueControl = qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                                qobject_cast<QAbstractSlider*>(w);
      if (valueControl && content_->isAncestorOf(w)) {
        QCoreApplication::sendEvent(verticalScrollBar(), event);
        return true;
      }
    }
  }
  return QScrollArea::eventFilter(watched, event);
}

QSize QVXOutlineView::minimumSizeHint() const {
  int width = 0;
  for (const Section& section : sections_) {
    width = std::max({width, section.header->minimumSizeHint().width(),
                      section.body->minimumSizeHint().width()});
  }
  width += verticalScrollBar()->sizeHint().width() + 2 * frameWidth();
  const QSize base = QScrollArea::minimumSizeHint();
  return {std::max(width, base.width()), base.height()};
}

void QVXOutlineView::setConfigurations(
    const std::vector<std::shared_ptr<QVXConfigurationGroup>>& groups) {
  for (const Section& section : sections_) {
    delete section.header;
    delete section.body;
  }
  sections_.clear();
  for (size_t i = 0; i < groups.size(); ++i) {
    const int group = static_cast<int>(i);
    Section section;
    section.header = new QVXConfigurationHeaderView(group, content_);
    section.body = new QWidget(content_);
    section.body->setObjectName(QStringLiteral("ConfigurationBody%1").arg(group));
    auto* bodyLayout = new QVBoxLayout(section.body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    int row = 0;
    for (const auto& child : groups[i]->children) {
      ++row;
      if (!child || !child->tabelCellView) continue;
      QWidget* view = child->tabelCellView;
      view->setParent(section.body);
      PaintStripe(view, row % 2 == 1);
      bodyLayout->addWidget(view);
      view->show();
    }
    section.body->setVisible(false);
    layout_->insertWidget(layout_->count() - 2, section.header);
    layout_->insertWidget(layout_->count() - 2, section.body);
    connect(section.header, &QVXConfigurationHeaderView::disclosureClicked, this,
            [this, group] { setExpanded(group, !isItemExpanded(group)); });
    connect(section.header->onOffSwitchButtonOutlet, &QCheckBox::clicked, this,
            [this, group](bool checked) { emit switchClicked(group, checked); });
    sections_.push_back(section);
    reloadHeader(group, *groups[i]);
  }
  updateGeometry();
}

QVXConfigurationHeaderView* QVXOutlineView::headerView(int group) const {
  return group >= 0 && group < static_cast<int>(sections_.size()) ? sections_[group].header
                                                                  : nullptr;
}

bool QVXOutlineView::isItemExpanded(int group) const {
  return group >= 0 && group < static_cast<int>(sections_.size()) &&
         !sections_[group].body->isHidden();
}

void QVXOutlineView::expandItem(int group) { setExpanded(group, true); }
void QVXOutlineView::collapseItem(int group) { setExpanded(group, false); }

void QVXOutlineView::setExpanded(int group, bool expanded) {
  if (group < 0 || group >= static_cast<int>(sections_.size())) return;
  QWidget* body = sections_[group].body;
  const int scrolled = verticalScrollBar()->value();
  if (!expanded && !body->isHidden() && scrolled > 0) {
    // Collapsing a group near the end of a scrolled sidebar would pull every row down and the
    // header from under the pointer, so that the next click there would miss its triangle.
    const int left = content_->height() - body->height();
    const int needed = scrolled + viewport()->height() - left;
    if (needed > 0) filler_->setFixedHeight(filler_->minimumHeight() + needed);
  }
  body->setVisible(expanded);
  QToolButton* button = sections_[group].header->disclosureButton;
  const QSignalBlocker blocker(button);
  button->setChecked(expanded);
  button->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
}

// The room is given back as the sidebar scrolls up.
void QVXOutlineView::trimFiller() {
  const int room = filler_->minimumHeight();
  if (room == 0) return;
  const QScrollBar* bar = verticalScrollBar();
  const int kept = std::clamp(room - (bar->maximum() - bar->value()), 0, room);
  if (kept != room) filler_->setFixedHeight(kept);
}

void QVXOutlineView::reloadHeader(int group, const QVXConfigurationGroup& configuration) {
  QVXConfigurationHeaderView* header = headerView(group);
  if (!header) return;
  const QSignalBlocker blocker(header->onOffSwitchButtonOutlet);
  header->onOffSwitchButtonOutlet->setChecked(configuration.switchState);
  header->onOffSwitchButtonOutlet->setEnabled(configuration.switchEnableState);
  header->textField->setText(configuration.title);
}

}  // namespace glimbrik
