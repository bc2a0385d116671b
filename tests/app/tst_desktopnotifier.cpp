// Tests of the desktop notifications on the session bus: a stand-in notification service on a
// connection of its own receives what the notifier sends, each notification replaces the
// previous one, and a cover found later goes into the notification still shown. Without the
// service the notifier says so, and the caller falls back.

#include "app/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");

// The part of the notification service the notifier calls.
class StandInNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app;
        uint replaces;
        QString summary;
        QString body;
        QString image;
        int timeout;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        calls.append(
            {app, replaces, summary, body, hints.value("image-path").toString(), timeout});
        return 40 + uint(calls.size());
    }
};

} // namespace

class TestDesktopNotifier : public QObject {
    Q_OBJECT

private slots:
    void withoutAServiceNothingIsSent() {
        if (DesktopNotifier::isAvailable())
            QSKIP("this session has a notification service of its own");
        DesktopNotifier notifier;
        QVERIFY(!notifier.notify(QStringLiteral("Radio"), QStringLiteral("Song")));
        QVERIFY(!notifier.showImage(QStringLiteral("/tmp/cover.png")));
    }

    void notificationsGoToTheServiceAndReplaceEachOther() {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in"));
        QVERIFY(bus.isConnected());
        StandInNotifications service;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                   QDBusConnection::ExportAllSlots));
        if (!bus.registerService(Service))
            QSKIP("another notification service holds the name");

        DesktopNotifier notifier;
        QSignalSpy shown(&notifier, &DesktopNotifier::signal_Shown);
        QVERIFY(notifier.notify(QStringLiteral("Loopback Radio"), QStringLiteral("Artist & Song")));
        QVERIFY(shown.wait());
        QVERIFY(notifier.notify(QStringLiteral("Loopback Radio"), QStringLiteral("Next")));
        QVERIFY(shown.wait());

        // The cover found meanwhile, sent at once, before the service has answered.
        QVERIFY(notifier.notify(QStringLiteral("Loopback Radio"), QStringLiteral("Third")));
        QVERIFY(notifier.showImage(QStringLiteral("/tmp/covers/a b.png")));
        QVERIFY(shown.wait());
        QTRY_COMPARE(shown.size(), 4);

        QCOMPARE(service.calls.size(), 4);
        QCOMPARE(service.calls.at(0).app, QStringLiteral("Quillowave"));
        QCOMPARE(service.calls.at(0).replaces, 0u);
        QCOMPARE(service.calls.at(0).summary, QStringLiteral("Loopback Radio"));
        QCOMPARE(service.calls.at(0).body, QStringLiteral("Artist &amp; Song"));
        QCOMPARE(service.calls.at(0).timeout, DesktopNotifier::ExpireMs);
        QVERIFY(service.calls.at(0).image.isEmpty());
        QCOMPARE(service.calls.at(1).replaces, 41u);
        // The same notification again, in the third one's place, now with its image.
        QCOMPARE(service.calls.at(3).replaces, 43u);
        QCOMPARE(service.calls.at(3).body, QStringLiteral("Third"));
        QCOMPARE(service.calls.at(3).image, QStringLiteral("file:///tmp/covers/a%20b.png"));
        bus.unregisterService(Service);
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
