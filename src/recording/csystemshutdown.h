#pragma once

// The computer's power actions at the end of the sleep timer, asked of systemd-logind over the
// system bus: a power-off scheduled a little ahead with a notice to logged-in users (so it can
// still be cancelled), suspend, hibernate and the cancel. What the machine or the user's rights
// do not allow is found out first, so the window can grey it out with the reason.
// GUI thread; a short-lived object owned by its caller.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QString>

class CSystemShutdown {
    Q_DECLARE_TR_FUNCTIONS(CSystemShutdown)
public:
    // The sleep timer's end actions; the codes are stored in the settings and written on
    // scheduled command lines.
    enum Action {
        ActionStopPlaying = 0,
        ActionShutdown = 1,
        ActionSleep = 2,
        ActionHibernate = 3,
        ActionExitApplication = 4
    };

    // Whether the machine allows an action, and why not when it does not.
    struct Availability {
        bool allowed = false;
        QString reason;
    };

    explicit CSystemShutdown(const QDBusConnection& bus = QDBusConnection::systemBus());
    virtual ~CSystemShutdown() = default;

    // The action's name as lists show it; empty for an unknown code.
    static QString ActionName(int code);

    // Powers off (or reboots) timeoutSeconds from now, announcing the message; logind has no
    // forced variant of a scheduled shutdown, so forceAppsClosed is not used.
    virtual bool Shutdown(const QString& message, bool forceAppsClosed, bool reboot,
                          int timeoutSeconds);
    virtual bool Sleep();
    virtual bool Hibernate();
    // Cancels a power-off scheduled by Shutdown.
    virtual bool AbortShutdown();

    Availability availability(int action) const;
    QString lastError() const { return m_lastError; }

private:
    bool call(const QString& method, const QVariantList& arguments);
    QString ask(const QString& method) const;

    QDBusConnection m_bus;
    QString m_lastError;
};
