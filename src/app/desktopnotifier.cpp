#include "app/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::isAvailable() {
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!bus)
        return false;
    if (bus->isServiceRegistered(Service))
        return true;
    const QDBusReply<QStringList> activatable = bus->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(Service);
}

bool DesktopNotifier::notify(const QString& title, const QString& text) {
    if (!isAvailable())
        return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    // The body may carry markup: a song title is plain text.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("quillowave")},
                            {QStringLiteral("category"), QStringLiteral("x-quillowave.song")}};
    call << QStringLiteral("Quillowave") << m_lastId << QStringLiteral("quillowave") << title
         << text.toHtmlEscaped() << QStringList() << hints << ExpireMs;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isValid()) {
            m_lastId = reply.value();
            emit signal_Shown(m_lastId);
        }
        w->deleteLater();
    });
    return true;
}
