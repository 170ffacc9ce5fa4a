#include <QSignalBlocker>

#include "app/delegate/app_delegate.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {
// Item data: the group tag under Qt::UserRole (as every tagged pop-up), the profile's file path
// in the role after it. Profiles are found by that path, never by their title, which two
// profiles of different spaces may share.
constexpr int kProfilePathRole = Qt::UserRole + 1;
}  // namespace

void AppDelegate::InitColorProfilesAndPopupButton() {
  QComboBox* popup = colorProfilePopUpButton();
  const QSignalBlocker blocker(popup);
  popup->clear();
  AddTaggedItem(popup, LocalizedString("Keep Original"), 0);
  const struct {
    uint32_t space;
    int tag;
    ColorProfileList* list;
  } groups[] = {{kRGBSpace, 1, &m_RGBColorProfiles},
                {kCMYKSpace, 2, &m_CMYKColorProfiles},
                {kGraySpace, 3, &m_GrayColorProfiles}};
  for (const auto& group : groups) {
    *group.list = QVXColorProfile::arrayOfAllProfilesWithSpace(group.space);
    if (group.list->empty()) continue;
    popup->insertSeparator(popup->count());
    popup->setItemData(popup->count() - 1, group.tag, Qt::UserRole);
    for (const ColorProfilePtr& profile : *group.list) {
      AddTaggedItem(popup, profile->description(), group.tag);
      popup->setItemData(popup->count() - 1, profile->path(), kProfilePathRole);
    }
  }
  popup->setCurrentIndex(0);
}

ColorProfilePtr AppDelegate::GetSelectedColorProfile() const {
  const QComboBox* popup = colorProfilePopUpButton();
  if (!popup->isEnabled() || popup->currentIndex() < 2) return nullptr;
  const QString path = popup->currentData(kProfilePathRole).toString();
  if (path.isEmpty()) return nullptr;
  for (const ColorProfileList* list :
       {&m_RGBColorProfiles, &m_CMYKColorProfiles, &m_GrayColorProfiles}) {
    for (const ColorProfilePtr& profile : *list) {
      if (profile->path() == path) return profile;
    }
  }
  return nullptr;
}

QString AppDelegate::GetSelectedColorProfilePath() const {
  const ColorProfilePtr profile = GetSelectedColorProfile();
  return profile ? profile->path() : QString();
}

std::shared_ptr<const ColorSpace> AppDelegate::GetSelectedColorSpaceRef() const {
  const ColorProfilePtr profile = GetSelectedColorProfile();
  return profile ? profile->colorspace() : nullptr;
}

void AppDelegate::SelectProfileForPath(const QString& path) {
  QComboBox* popup = colorProfilePopUpButton();
  const QSignalBlocker blocker(popup);
  const int index = path.isEmpty() ? -1 : popup->findData(path, kProfilePathRole);
  popup->setCurrentIndex(index > 0 ? index : 0);
}

}  // namespace glimbrik
