#pragma once

#include <QString>

namespace glimbrik {

// Hands a notification with the default sound to the freedesktop Notifications service on the
// session bus and returns at once, from any thread. False when there is no session bus; a
// missing or silent service is not reported (the notice is simply not shown).
bool SendDesktopNotification(const QString& title, const QString& text);

}  // namespace glimbrik
