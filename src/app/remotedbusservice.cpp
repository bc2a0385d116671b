#include "app/remotedbusservice.h"

#include "app/readygate.h"
#include "app/remotecontrol.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

RemoteDBusService::RemoteDBusService(RemoteControl* remote, QObject* parent)
    : QObject(parent), m_remote(remote) {
    connect(m_remote, &RemoteControl::sig_clientEvent, this, &RemoteDBusService::slot_clientEvent);
}

RemoteDBusService::~RemoteDBusService() {
    unregister();
}

bool RemoteDBusService::registerOn(const QDBusConnection& connection) {
    unregister();
    QDBusConnection bus = connection;
    if (!bus.isConnected()) {
        m_errorText = bus.lastError().message();
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(ObjectPath), this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals)) {
        m_errorText = tr("The object path %1 is in use").arg(QString::fromLatin1(ObjectPath));
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(ServiceName))) {
        m_errorText = bus.lastError().message();
        bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    m_connectionName = bus.name();
    m_registered = true;
    return true;
}

void RemoteDBusService::unregister() {
    if (!m_registered)
        return;
    QDBusConnection bus(m_connectionName);
    bus.unregisterService(QString::fromLatin1(ServiceName));
    bus.unregisterObject(QString::fromLatin1(ObjectPath));
    m_registered = false;
}

uint RemoteDBusService::Command(uint code, int arg, const QString& text) {
    const QString client = calledFromDBus() ? message().service() : QString();
    if (!calledFromDBus() || !m_gate || m_gate->isReady())
        return m_remote->receive(code, arg, text, client);
    // The caller gets its answer when the command has been taken, as it would have once ready.
    setDelayedReply(true);
    m_gate->whenReady([this, call = message(), code, arg, text, client] {
        const uint answer = m_remote->receive(code, arg, text, client);
        QDBusConnection(m_connectionName).send(call.createReply(answer));
    });
    return 0;
}

void RemoteDBusService::slot_clientEvent(const QString& client, uint code, const QString& text) {
    if (!m_registered || client.isEmpty())
        return;
    QDBusMessage event = QDBusMessage::createTargetedSignal(client, QString::fromLatin1(ObjectPath),
                                                            QString::fromLatin1(InterfaceName),
                                                            QStringLiteral("Event"));
    event << code << text;
    QDBusConnection(m_connectionName).send(event);
}
