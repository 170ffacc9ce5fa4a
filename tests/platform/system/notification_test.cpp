#include "platform/system/notification.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QVariantMap>
#include <cstdlib>

namespace glimbrik {
namespace {

// Stands in for the desktop's notification service.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public slots:
  uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap& hints, int) {
    emit received(app, summary, body, hints.contains(QStringLiteral("sound-name")));
    return 1;
  }

 signals:
  void received(const QString& app, const QString& summary, const QString& body, bool sound);
};

// A private session bus for one test; stopped at the end.
class PrivateBus {
 public:
  PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
    if (daemon_.waitForStarted(10000) && daemon_.waitForReadyRead(10000)) {
      address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
  }
  ~PrivateBus() {
    daemon_.kill();
    daemon_.waitForFinished(10000);
  }
  QString address() const { return address_; }

 private:
  QProcess daemon_;
  QString address_;
};

TEST(Notification, ReachesTheNotificationService) {
  ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
      << "dbus-daemon is missing: scripts/setup.sh installs it";
  PrivateBus bus;
  ASSERT_FALSE(bus.address().isEmpty());
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);

  QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("service"));
  ASSERT_TRUE(service.isConnected());
  FakeNotifications fake;
  ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &fake,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));
  QSignalSpy spy(&fake, &FakeNotifications::received);

  EXPECT_TRUE(SendDesktopNotification(QStringLiteral("Export Completed"),
                                      QStringLiteral("3 images exported\nAll done")));
  ASSERT_TRUE(spy.wait(10000));
  const QList<QVariant> call = spy.takeFirst();
  EXPECT_EQ(call.at(0).toString(), QStringLiteral("Glimbrik"));
  EXPECT_EQ(call.at(1).toString(), QStringLiteral("Export Completed"));
  EXPECT_EQ(call.at(2).toString(), QStringLiteral("3 images exported\nAll done"));
  EXPECT_TRUE(call.at(3).toBool());
  QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

TEST(Notification, MissingBusIsSilent) {
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/glimbrik-bus", 1);
  EXPECT_FALSE(SendDesktopNotification(QStringLiteral("t"), QStringLiteral("m")));
}

}  // namespace
}  // namespace glimbrik

#include "notification_test.moc"
