#include "app/window/desktop_open.h"

#include <QDesktopServices>

#include "app/window/custom_alert.h"
#include "platform/store/localization.h"

namespace glimbrik {

bool OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool OpenOrSayWhy(const DesktopOpener& open, const QUrl& url, QWidget* window) {
  if (open && open(url)) return true;
  const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toString();
  ShowCustomAlert(LocalizedString("CannotOpenTitle"),
                  LocalizedString("CannotOpenMessageFormat").arg(shown),
                  LocalizedString("OkButtonString"), QString(), QString(), window);
  return false;
}

}  // namespace glimbrik
