#include "app/panels/configuration.h"

#include <algorithm>

namespace glimbrik {

std::shared_ptr<QVXConfiguration> QVXConfiguration::configuration() {
  return std::make_shared<QVXConfiguration>();
}

std::shared_ptr<QVXConfiguration> QVXConfiguration::configurationWithTableCellView(QWidget* view,
                                                                                   double height) {
  return std::make_shared<QVXConfiguration>(view, height);
}

bool QVXConfiguration::IsContainsView(const QWidget* view) const {
  return tabelCellView && tabelCellView.data() == view;
}

bool QVXConfiguration::IsChildrenContainsView(const QWidget* view) const {
  return std::any_of(children.begin(), children.end(),
                     [view](const auto& child) { return child && child->IsContainsView(view); });
}

QVXConfigurationGroup::QVXConfigurationGroup(const QString& title, bool state, bool enable)
    : title(title), switchState(state), switchEnableState(enable) {
  // Placeholders until the builder sets the real panel rows.
  children = {configuration(), configuration()};
}

std::shared_ptr<QVXConfigurationGroup> QVXConfigurationGroup::configurationWithTitle(
    const QString& title, bool state, bool enable) {
  return std::make_shared<QVXConfigurationGroup>(title, state, enable);
}

const char* ConfigurationGroupTitleKey(int group) {
  static const char* const kKeys[kConfigurationGroupCount] = {
      "ConversionOptionTitle", "OptimizationOptionTitle",  "RenameOptionTitle",
      "ResizeOptionTitle",     "TextWatermarkOptionTitle", "ImageWatermarkOptionTitle",
      "EffectOptionTitle"};
  return group >= 0 && group < kConfigurationGroupCount ? kKeys[group] : "";
}

}  // namespace glimbrik
