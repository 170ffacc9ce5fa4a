#include "platform/system/notification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

#include "platform/store/bundle.h"

namespace glimbrik {

bool SendDesktopNotification(const QString& title, const QString& text) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.Notifications"),
      QStringLiteral("/org/freedesktop/Notifications"),
      QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
  QVariantMap hints;
  hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
  hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kBundleIdentifier));
  message << QString::fromLatin1(kApplicationName) << uint(0) << QString() << title << text
          << QStringList() << hints << int(-1);
  // Sent without waiting for the answer: a missing or hung service must never hold up a run.
  message.setAutoStartService(true);
  return bus.send(message);
}

}  // namespace glimbrik
