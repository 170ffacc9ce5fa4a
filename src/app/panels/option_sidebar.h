#pragma once

#include <QCheckBox>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/panels/configuration.h"

class QLabel;
class QVBoxLayout;

namespace glimbrik {

// Header row of a sidebar group: disclosure triangle, title and the group's on/off switch.
// A press anywhere on the row outside the switch toggles the disclosure when released inside.
class QVXConfigurationHeaderView : public QWidget {
  Q_OBJECT
 public:
  QVXConfigurationHeaderView(int group, QWidget* parent = nullptr);

  QCheckBox* onOffSwitchButtonOutlet = nullptr;
  QToolButton* disclosureButton = nullptr;
  QLabel* textField = nullptr;
  int group() const { return group_; }

 signals:
  void disclosureClicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int group_;
  bool pressed_ = false;
};

// The option sidebar: one collapsible section per group, its panel views stacked below the header.
class QVXOutlineView : public QScrollArea {
  Q_OBJECT
 public:
  explicit QVXOutlineView(QWidget* parent = nullptr);

  // Builds the rows from the groups; the panel views are reparented into the sidebar.
  void setConfigurations(const std::vector<std::shared_ptr<QVXConfigurationGroup>>& groups);

  QVXConfigurationHeaderView* headerView(int group) const;
  bool isItemExpanded(int group) const;
  void expandItem(int group);
  void collapseItem(int group);
  // Shows a group's switch state and enabling as the group object holds them.
  void reloadHeader(int group, const QVXConfigurationGroup& configuration);

  // A wheel turned over a closed pop-up, a number box or a slider in the sidebar scrolls the
  // sidebar; it never changes the control's value.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // As wide as the widest row, open or closed, beside the scroll bar: there is no horizontal
  // scroll bar, so a narrower sidebar would cut its controls at the right edge.
  QSize minimumSizeHint() const override;

 signals:
  // Only user clicks on a switch; programmatic changes are silent.
  void switchClicked(int group, bool state);

 private:
  struct Section {
    QVXConfigurationHeaderView* header = nullptr;
    QWidget* body = nullptr;
  };
  void setExpanded(int group, bool expanded);
  void trimFiller();

  QWidget* content_ = nullptr;
  // Room below the last row, so that a group collapsed near the end stays where it was.
  QWidget* filler_ = nullptr;
  QVBoxLayout* layout_ = nullptr;
  std::vector<Section> sections_;
};

}  // namespace glimbrik
