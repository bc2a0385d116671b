// One-time jobs: the names, the scripts and command lines they are built from, and real `at`
// jobs with atd (started here when it does not run) that are created, listed, deleted and fire,
// beside a job of another program that is never touched.

#include "qtext/schedule.h"
#include "qtext/taskscheduler.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using QT_EXT::Schedule;
using QT_EXT::TaskScheduler;

class TestTaskScheduler : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void generatedNameFollowsCreatorDescriptionAndTime();
    void jobName_data();
    void jobName();
    void atScriptQuotesEveryArgumentAndCarriesTheDesktop();
    void systemdRunArgumentsCarryTheDesktopAndTheTime();
    void refusesWhatCannotRun();
    void atJobsAreCreatedListedDeletedAndFire();

private:
    static QProcessEnvironment desktopEnvironment();
    bool m_startedAtd = false;
    QTemporaryDir m_dir;
};

void TestTaskScheduler::initTestCase() {
    QVERIFY(m_dir.isValid());
}

void TestTaskScheduler::cleanupTestCase() {
    if (m_startedAtd)
        QProcess::execute(QStringLiteral("pkill"), {QStringLiteral("-x"), QStringLiteral("atd")});
}

QProcessEnvironment TestTaskScheduler::desktopEnvironment() {
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":7"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/1000"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/run/user/1000/bus"));
    env.insert(QStringLiteral("EDITOR"), QStringLiteral("vi"));
    return env;
}

void TestTaskScheduler::generatedNameFollowsCreatorDescriptionAndTime() {
    Schedule schedule;
    const QDateTime now(QDate(2026, 12, 4), QTime(21, 5));
    schedule.m_creator = QStringLiteral("Quillowave");
    QCOMPARE(schedule.generatedTaskName(now),
             QStringLiteral("Quillowave_Unknown_Fri_Dec_4_21_05_00_2026"));
    schedule.m_description = QStringLiteral("Jazz One 1.5");
    QCOMPARE(schedule.generatedTaskName(now),
             QStringLiteral("Quillowave_Jazz_One_15_Fri_Dec_4_21_05_00_2026"));
    schedule.m_creator.clear();
    QVERIFY(schedule.generatedTaskName(now).startsWith(QStringLiteral("Jazz_One_15_Fri")));
    // Two schedules in the same second without a description get the same name.
    Schedule other;
    QCOMPARE(other.generatedTaskName(now), Schedule().generatedTaskName(now));
}

void TestTaskScheduler::jobName_data() {
    QTest::addColumn<QString>("task");
    QTest::addColumn<QString>("job");
    QTest::newRow("plain") << "Quillowave_Jazz_Fri"
                           << "Quillowave_Jazz_Fri";
    QTest::newRow("shell characters") << "a;b$(c)`d`'e\""
                                      << "a_b__c__d__e_";
    QTest::newRow("line break") << "one\ntwo"
                                << "one_two";
    QTest::newRow("letters of other scripts") << QStringLiteral("Радио") << "_____";
}

void TestTaskScheduler::jobName() {
    QFETCH(QString, task);
    QFETCH(QString, job);
    QCOMPARE(TaskScheduler::jobName(task), job);
}

void TestTaskScheduler::atScriptQuotesEveryArgumentAndCarriesTheDesktop() {
    Schedule schedule;
    schedule.m_taskName = QStringLiteral("Quillowave_Jazz");
    schedule.m_application = QStringLiteral("/opt/my apps/quillowave");
    schedule.m_parameters = QStringLiteral(
        "/url=http://x/a?b=1&c=2 /name=\"Jazz 'One' $HOME\" /show=normal /action=Record ");
    const QString script = TaskScheduler::atScript(schedule, desktopEnvironment());
    const QStringList lines = script.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("# Quillowave job: Quillowave_Jazz"));
    QVERIFY(lines.contains(QStringLiteral("export DISPLAY=':7'")));
    QVERIFY(lines.contains(
        QStringLiteral("export DBUS_SESSION_BUS_ADDRESS='unix:path=/run/user/1000/bus'")));
    QVERIFY(!script.contains(QStringLiteral("EDITOR")));
    QCOMPARE(lines.last(),
             QStringLiteral("exec '/opt/my apps/quillowave' '/url=http://x/a?b=1&c=2' "
                            "'/name=Jazz '\\''One'\\'' $HOME' '/show=normal' '/action=Record' "
                            ">/dev/null 2>&1"));
    // The shell gives the program exactly the arguments meant, with nothing expanded.
    QProcess sh;
    QString echo = lines.last();
    echo.replace(QStringLiteral("exec '/opt/my apps/quillowave'"),
                 QStringLiteral("printf '%s\\n'"));
    echo.remove(QStringLiteral(" >/dev/null 2>&1"));
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), echo});
    QVERIFY(sh.waitForFinished());
    QCOMPARE(QString::fromUtf8(sh.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
             QStringList({"/url=http://x/a?b=1&c=2", "/name=Jazz 'One' $HOME", "/show=normal",
                          "/action=Record"}));
}

void TestTaskScheduler::systemdRunArgumentsCarryTheDesktopAndTheTime() {
    Schedule schedule;
    schedule.m_taskName = QStringLiteral("Quillowave_Jazz");
    schedule.m_description = QStringLiteral("Jazz One");
    schedule.m_application = QStringLiteral("/usr/bin/quillowave");
    schedule.m_parameters = QStringLiteral("/url=u /name=\"Jazz One\" /duration=60 /end_action=1");
    schedule.setStart(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 59)));
    QCOMPARE(TaskScheduler::systemdRunArguments(schedule, desktopEnvironment()),
             QStringList({"--user", "--unit=quillowave-Quillowave_Jazz",
                          "--on-calendar=2027-01-02 03:04:00", "--timer-property=AccuracySec=1s",
                          "--description=Jazz One", "--setenv=DISPLAY=:7",
                          "--setenv=XDG_RUNTIME_DIR=/run/user/1000",
                          "--setenv=DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/1000/bus", "--",
                          "/usr/bin/quillowave", "/url=u", "/name=Jazz One", "/duration=60",
                          "/end_action=1"}));
}

void TestTaskScheduler::refusesWhatCannotRun() {
    TaskScheduler scheduler(TaskScheduler::Mechanism::At);
    Schedule schedule;
    schedule.setStart(QDateTime::currentDateTime().addSecs(3600));
    QVERIFY(!scheduler.CreateTask(schedule));
    QCOMPARE(scheduler.lastError(), QStringLiteral("Failed to set application name"));
    schedule.m_application = QStringLiteral("/bin/true");
    schedule.setStart(QDateTime::currentDateTime().addSecs(-120));
    QVERIFY(!scheduler.CreateTask(schedule));
    QVERIFY(scheduler.lastError().contains(QStringLiteral("passed")));
    QVERIFY(!scheduler.DeleteTask(QString()));
    QCOMPARE(scheduler.lastError(), QStringLiteral("Failed to set task name"));
}

void TestTaskScheduler::atJobsAreCreatedListedDeletedAndFire() {
    if (geteuid() != 0)
        QSKIP("starting atd needs root");
    if (QProcess::execute(QStringLiteral("pgrep"), {QStringLiteral("-x"), QStringLiteral("atd")}) !=
        0) {
        QCOMPARE(QProcess::execute(QStringLiteral("/usr/sbin/atd"), {}), 0);
        m_startedAtd = true;
    }
    // A job of another program, which must stay as it is.
    QProcess foreign;
    foreign.start(QStringLiteral("at"), {QStringLiteral("now"), QStringLiteral("+"),
                                         QStringLiteral("2"), QStringLiteral("days")});
    foreign.write("true\n");
    foreign.closeWriteChannel();
    QVERIFY(foreign.waitForFinished());
    QCOMPARE(foreign.exitCode(), 0);
    const QString foreignId = QString::fromLocal8Bit(foreign.readAllStandardError())
                                  .section(QStringLiteral("job "), 1)
                                  .section(u' ', 0, 0);
    QVERIFY(!foreignId.isEmpty());

    TaskScheduler scheduler(TaskScheduler::Mechanism::At);
    const QString marker = m_dir.filePath(QStringLiteral("fired marker"));
    Schedule soon;
    soon.m_application = QStringLiteral("/usr/bin/touch");
    soon.m_parameters = QStringLiteral("\"%1\"").arg(marker);
    soon.m_taskName = QStringLiteral("Quillowave_test_soon");
    soon.setStart(QDateTime::currentDateTime().addSecs(60));
    QVERIFY2(scheduler.CreateTask(soon), qPrintable(scheduler.lastError()));
    Schedule later;
    later.m_application = QStringLiteral("/usr/bin/touch");
    later.m_parameters = marker + QStringLiteral("-later");
    later.m_creator = QStringLiteral("Quillowave");
    later.setStart(QDateTime::currentDateTime().addDays(1));
    QVERIFY2(scheduler.CreateTask(later), qPrintable(scheduler.lastError()));
    QVERIFY(!later.m_taskName.isEmpty());

    QStringList listed = scheduler.ListTasks();
    QVERIFY(listed.contains(soon.m_taskName));
    QVERIFY(listed.contains(later.m_taskName));
    QCOMPARE(listed.size(), 2);
    QVERIFY(scheduler.DeleteTask(later.m_taskName));
    QCOMPARE(scheduler.ListTasks(), QStringList{soon.m_taskName});
    QVERIFY(!scheduler.DeleteTask(later.m_taskName));

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 130000);
    QTRY_VERIFY(scheduler.ListTasks().isEmpty());
    QVERIFY(!QFile::exists(marker + QStringLiteral("-later")));
    QProcess atq;
    atq.start(QStringLiteral("atq"), {});
    QVERIFY(atq.waitForFinished());
    QVERIFY(QString::fromLocal8Bit(atq.readAll())
                .contains(QRegularExpression(u'^' + foreignId + QStringLiteral("\\s"),
                                             QRegularExpression::MultilineOption)));
    QProcess::execute(QStringLiteral("atrm"), {foreignId});
}

QTEST_GUILESS_MAIN(TestTaskScheduler)
#include "tst_taskscheduler.moc"
