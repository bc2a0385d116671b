#include "app/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QUrl>
#include <QVariantMap>

#include <utility>

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

bool DesktopNotifier::notify(const QString& title, const QString& text, const QString& imageFile) {
    if (!isAvailable())
        return false;
    m_lastTitle = title;
    m_lastText = text;
    m_lastSent.start();
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    // The body may carry markup: a song title is plain text.
    QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("quillowave")},
                      {QStringLiteral("category"), QStringLiteral("x-quillowave.song")}};
    if (!imageFile.isEmpty())
        hints.insert(QStringLiteral("image-path"),
                     QUrl::fromLocalFile(imageFile).toString(QUrl::FullyEncoded));
    call << QStringLiteral("Quillowave") << m_lastId << QStringLiteral("quillowave") << title
         << text.toHtmlEscaped() << QStringList() << hints << ExpireMs;
    ++m_pendingCalls;
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        --m_pendingCalls;
        if (reply.isValid()) {
            m_lastId = reply.value();
            emit signal_Shown(m_lastId);
        }
        w->deleteLater();
        if (m_pendingCalls == 0 && !m_pendingImage.isEmpty())
            showImage(std::exchange(m_pendingImage, QString()));
    });
    return true;
}

bool DesktopNotifier::showImage(const QString& imageFile) {
    if (!m_lastSent.isValid() || m_lastSent.hasExpired(ExpireMs) || !isAvailable())
        return false;
    // Replacing needs the service's identifier of the notification, which is on its way.
    if (m_pendingCalls > 0) {
        m_pendingImage = imageFile;
        return true;
    }
    return notify(m_lastTitle, m_lastText, imageFile);
}
