#include "recording/csystemshutdown.h"

#include <QDBusMessage>
#include <QDateTime>
#include <QDebug>

namespace {

const QString LogindService = QStringLiteral("org.freedesktop.login1");
const QString LogindPath = QStringLiteral("/org/freedesktop/login1");
const QString LogindManager = QStringLiteral("org.freedesktop.login1.Manager");
// logind answers after its own checks; a machine that needs longer is treated as refusing.
const int CallTimeoutMs = 5000;

} // namespace

CSystemShutdown::CSystemShutdown(const QDBusConnection& bus) : m_bus(bus) {}

QString CSystemShutdown::ActionName(int code) {
    switch (code) {
    case ActionStopPlaying:
        return tr("Stop Playing");
    case ActionShutdown:
        return tr("Shutdown");
    case ActionSleep:
        return tr("Sleep");
    case ActionHibernate:
        return tr("Hibernate");
    case ActionExitApplication:
        return tr("Exit application");
    default:
        return QString();
    }
}

bool CSystemShutdown::call(const QString& method, const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(LogindService, LogindPath, LogindManager, method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        m_lastError = reply.errorMessage();
        qDebug() << "CSystemShutdown::call" << method << m_lastError;
        return false;
    }
    m_lastError.clear();
    return true;
}

QString CSystemShutdown::ask(const QString& method) const {
    const QDBusMessage message =
        QDBusMessage::createMethodCall(LogindService, LogindPath, LogindManager, method);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, CallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QString();
    return reply.arguments().constFirst().toString();
}

bool CSystemShutdown::Shutdown(const QString& message, bool forceAppsClosed, bool reboot,
                               int timeoutSeconds) {
    Q_UNUSED(forceAppsClosed)
    const QString notice = message.isEmpty() ? tr("Shutting down the computer") : message;
    // The notice is a courtesy: a logind that refuses it still shuts down.
    call(QStringLiteral("SetWallMessage"), {notice, true});
    const qint64 atUsec =
        (QDateTime::currentMSecsSinceEpoch() + qint64(timeoutSeconds) * 1000) * 1000;
    return call(QStringLiteral("ScheduleShutdown"),
                {reboot ? QStringLiteral("reboot") : QStringLiteral("poweroff"),
                 QVariant::fromValue(quint64(atUsec))});
}

bool CSystemShutdown::Sleep() {
    return call(QStringLiteral("Suspend"), {false});
}

bool CSystemShutdown::Hibernate() {
    return call(QStringLiteral("Hibernate"), {false});
}

bool CSystemShutdown::AbortShutdown() {
    return call(QStringLiteral("CancelScheduledShutdown"), {});
}

CSystemShutdown::Availability CSystemShutdown::availability(int action) const {
    QString method;
    switch (action) {
    case ActionShutdown:
        method = QStringLiteral("CanPowerOff");
        break;
    case ActionSleep:
        method = QStringLiteral("CanSuspend");
        break;
    case ActionHibernate:
        method = QStringLiteral("CanHibernate");
        break;
    default:
        return {true, QString()};
    }
    const QString answer = ask(method);
    // "challenge" means the desktop will ask for a password: still allowed.
    if (answer == QLatin1String("yes") || answer == QLatin1String("challenge"))
        return {true, QString()};
    if (answer == QLatin1String("no"))
        return {false, tr("Your account is not allowed to do this")};
    if (answer == QLatin1String("na"))
        return {false, tr("This computer does not support it")};
    return {false, tr("The login manager (systemd-logind) does not answer")};
}
