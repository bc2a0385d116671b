// A stand-in for systemd-logind's manager on the session bus, for tests that must not power
// off the machine: it answers the Can… questions with the texts given on its command line
// (power-off, suspend, hibernate) and prints every other call with its arguments, one line each.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QTextStream>

#include <cstdio>

class LoginManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit LoginManager(const QStringList& answers) : m_answers(answers) {}

public slots:
    QString CanPowerOff() { return m_answers.value(0); }
    QString CanSuspend() { return m_answers.value(1); }
    QString CanHibernate() { return m_answers.value(2); }
    void ScheduleShutdown(const QString& type, qulonglong usec) {
        say(QStringLiteral("ScheduleShutdown %1 %2").arg(type).arg(usec));
    }
    void SetWallMessage(const QString& message, bool enable) {
        say(QStringLiteral("SetWallMessage %1 %2").arg(enable).arg(message));
    }
    void Suspend(bool interactive) { say(QStringLiteral("Suspend %1").arg(interactive)); }
    void Hibernate(bool interactive) { say(QStringLiteral("Hibernate %1").arg(interactive)); }
    bool CancelScheduledShutdown() {
        say(QStringLiteral("CancelScheduledShutdown"));
        return true;
    }

private:
    static void say(const QString& line) { QTextStream(stdout) << line << Qt::endl; }
    QStringList m_answers;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    LoginManager manager(app.arguments().mid(1));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "cannot register on the session bus\n");
        return 1;
    }
    QTextStream(stdout) << "ready" << Qt::endl;
    return app.exec();
}

#include "logindstandin.moc"
