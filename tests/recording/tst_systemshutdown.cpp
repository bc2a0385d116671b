// The power actions against a stand-in for logind: the calls and their arguments, the cancel,
// and actions greyed out where the login manager refuses them or does not answer.

#include "recording/csystemshutdown.h"
#include "ui/shutdowndlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDateTime>
#include <QProcess>
#include <QStandardItemModel>
#include <QtTest>

class TestSystemShutdown : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shutdownSchedulesPowerOffWithNotice();
    void abortCancelsAndSleepSuspends();
    void refusedActionsAreGreyedOutWithReason();
    void withoutLoginManagerEverySystemActionIsGreyed();

private:
    void startStandIn(const QStringList& answers);
    QString nextCall();

    QProcess m_standIn;
    QStringList m_calls;
};

void TestSystemShutdown::init() {
    m_calls.clear();
}

void TestSystemShutdown::cleanup() {
    m_standIn.kill();
    m_standIn.waitForFinished();
    // The name must be gone before the next test registers it again.
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.login1")));
}

void TestSystemShutdown::startStandIn(const QStringList& answers) {
    m_standIn.start(QStringLiteral(QW_LOGIND_STANDIN), answers);
    QVERIFY(m_standIn.waitForStarted());
    QCOMPARE(nextCall(), QStringLiteral("ready"));
}

QString TestSystemShutdown::nextCall() {
    while (m_calls.isEmpty()) {
        if (!m_standIn.canReadLine() && !m_standIn.waitForReadyRead(10000))
            return QStringLiteral("(no call)");
        while (m_standIn.canReadLine())
            m_calls << QString::fromUtf8(m_standIn.readLine()).trimmed();
    }
    return m_calls.takeFirst();
}

void TestSystemShutdown::shutdownSchedulesPowerOffWithNotice() {
    startStandIn({QStringLiteral("yes"), QStringLiteral("yes"), QStringLiteral("yes")});
    CSystemShutdown shutdown(QDBusConnection::sessionBus());
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    QVERIFY(shutdown.Shutdown(QString(), false, false, 30));
    QCOMPARE(nextCall(), QStringLiteral("SetWallMessage 1 Shutting down the computer"));
    const QStringList call = nextCall().split(u' ');
    QCOMPARE(call.value(0), QStringLiteral("ScheduleShutdown"));
    QCOMPARE(call.value(1), QStringLiteral("poweroff"));
    const qint64 atMs = call.value(2).toLongLong() / 1000;
    QVERIFY2(atMs >= before + 30000 && atMs <= QDateTime::currentMSecsSinceEpoch() + 30000,
             qPrintable(call.value(2)));

    QVERIFY(shutdown.Shutdown(QStringLiteral("Bye"), false, true, 5));
    QCOMPARE(nextCall(), QStringLiteral("SetWallMessage 1 Bye"));
    QVERIFY(nextCall().startsWith(QStringLiteral("ScheduleShutdown reboot ")));
}

void TestSystemShutdown::abortCancelsAndSleepSuspends() {
    startStandIn({QStringLiteral("yes"), QStringLiteral("yes"), QStringLiteral("yes")});
    CSystemShutdown shutdown(QDBusConnection::sessionBus());
    QVERIFY(shutdown.AbortShutdown());
    QCOMPARE(nextCall(), QStringLiteral("CancelScheduledShutdown"));
    QVERIFY(shutdown.Sleep());
    QCOMPARE(nextCall(), QStringLiteral("Suspend 0"));
    QVERIFY(shutdown.Hibernate());
    QCOMPARE(nextCall(), QStringLiteral("Hibernate 0"));
}

void TestSystemShutdown::refusedActionsAreGreyedOutWithReason() {
    startStandIn({QStringLiteral("challenge"), QStringLiteral("no"), QStringLiteral("na")});
    const CSystemShutdown shutdown(QDBusConnection::sessionBus());
    QComboBox box;
    ShutdownDlg::fillActions(&box, shutdown);
    QCOMPARE(box.count(), 5);
    auto* model = qobject_cast<QStandardItemModel*>(box.model());
    QVERIFY(model->item(CSystemShutdown::ActionStopPlaying)->isEnabled());
    QVERIFY(model->item(CSystemShutdown::ActionShutdown)->isEnabled());
    QVERIFY(!model->item(CSystemShutdown::ActionSleep)->isEnabled());
    QVERIFY(!model->item(CSystemShutdown::ActionHibernate)->isEnabled());
    QVERIFY(model->item(CSystemShutdown::ActionExitApplication)->isEnabled());
    QVERIFY(!model->item(CSystemShutdown::ActionSleep)->toolTip().isEmpty());
    QVERIFY(model->item(CSystemShutdown::ActionSleep)->toolTip() !=
            model->item(CSystemShutdown::ActionHibernate)->toolTip());
    QCOMPARE(box.itemText(CSystemShutdown::ActionShutdown), QStringLiteral("Shutdown"));
}

void TestSystemShutdown::withoutLoginManagerEverySystemActionIsGreyed() {
    CSystemShutdown shutdown(QDBusConnection::sessionBus());
    QVERIFY(!shutdown.Sleep());
    QVERIFY(!shutdown.lastError().isEmpty());
    for (int action : {CSystemShutdown::ActionShutdown, CSystemShutdown::ActionSleep,
                       CSystemShutdown::ActionHibernate})
        QVERIFY(!shutdown.availability(action).allowed);
    QVERIFY(shutdown.availability(CSystemShutdown::ActionExitApplication).allowed);
}

QTEST_MAIN(TestSystemShutdown)
#include "tst_systemshutdown.moc"
