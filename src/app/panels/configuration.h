#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

namespace glimbrik {

// One row of the option sidebar: a panel view shown in the row, or a group header.
class QVXConfiguration {
 public:
  QVXConfiguration() = default;
  QVXConfiguration(QWidget* view, double height) : tabelCellView(view), height(height) {}
  virtual ~QVXConfiguration() = default;

  static std::shared_ptr<QVXConfiguration> configuration();
  static std::shared_ptr<QVXConfiguration> configurationWithTableCellView(QWidget* view,
                                                                          double height);

  bool IsContainsView(const QWidget* view) const;
  bool IsChildrenContainsView(const QWidget* view) const;

  std::vector<std::shared_ptr<QVXConfiguration>> children;
  QPointer<QWidget> tabelCellView;
  double height = 0.0;
};

// A switchable group of the sidebar; its switch state says whether the step takes part in a run.
class QVXConfigurationGroup : public QVXConfiguration {
 public:
  QVXConfigurationGroup(const QString& title, bool state, bool enable);

  static std::shared_ptr<QVXConfigurationGroup> configurationWithTitle(const QString& title,
                                                                       bool state, bool enable);

  QString title;
  bool switchState = false;
  bool switchEnableState = false;
};

// The seven groups in their fixed order; the index is the group number used everywhere.
enum ConfigurationGroupIndex : int {
  kConversionGroup = 0,
  kOptimizationGroup = 1,
  kRenameGroup = 2,
  kResizeGroup = 3,
  kTextWatermarkGroup = 4,
  kImageWatermarkGroup = 5,
  kEffectGroup = 6,
  kConfigurationGroupCount = 7,
};

// Localisation key of a group's title.
const char* ConfigurationGroupTitleKey(int group);

}  // namespace glimbrik
