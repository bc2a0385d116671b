// The sleep timer's count and the texts the window shows for it.

#include "recording/csystemshutdown.h"
#include "recording/sleeptimer.h"

#include <QSignalSpy>
#include <QtTest>

class TestSleepTimer : public QObject {
    Q_OBJECT

private slots:
    void remainingText_data();
    void remainingText();
    void toolTipNamesTheActionAndTheTimeLeft();
    void presetIndexIsTheFirstPresetAtLeastTheLength();
    void countsToTheEndOnceThenStaysOff();
    void resumeKeepsTheCountOfAStationChange();
};

void TestSleepTimer::remainingText_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("an hour and a minute") << 3700 << QStringLiteral("1 hour 1 minute ");
    QTest::newRow("two hours") << 7260 << QStringLiteral("2 hours 1 minute ");
    QTest::newRow("exactly an hour") << 3600 << QStringLiteral("60 minutes ");
    QTest::newRow("minutes and seconds") << 150 << QStringLiteral("2 minutes  30 seconds");
    QTest::newRow("one minute") << 60 << QStringLiteral("1 minute ");
    QTest::newRow("under a minute") << 59 << QStringLiteral("less than a minute");
    QTest::newRow("nothing left") << 0 << QStringLiteral("less than a minute");
}

void TestSleepTimer::remainingText() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(SleepTimer::remainingText(seconds), text);
}

void TestSleepTimer::toolTipNamesTheActionAndTheTimeLeft() {
    SleepTimer timer;
    timer.setEndAction(CSystemShutdown::ActionShutdown);
    timer.start(3700);
    QCOMPARE(timer.toolTip(), QStringLiteral("Shutdown in 1 hour 1 minute "));
    QCOMPARE(timer.menuTitle(), QStringLiteral("Shutdown in"));
    timer.resume(3700, 3641);
    QVERIFY(timer.toolTip().endsWith(QStringLiteral("less than a minute")));
}

void TestSleepTimer::presetIndexIsTheFirstPresetAtLeastTheLength() {
    SleepTimer timer;
    QCOMPARE(timer.presetIndex(), 0);
    QCOMPARE(SleepTimer::presetText(0), QStringLiteral("Off"));
    QCOMPARE(SleepTimer::presetText(90), QStringLiteral("90 minutes"));
    timer.start(5 * 60);
    QCOMPARE(SleepTimer::presetMinutes().at(timer.presetIndex()), 5);
    timer.start(31 * 60);
    QCOMPARE(SleepTimer::presetMinutes().at(timer.presetIndex()), 60);
    timer.start(500 * 60);
    QCOMPARE(timer.presetIndex(), SleepTimer::presetMinutes().size() - 1);
}

void TestSleepTimer::countsToTheEndOnceThenStaysOff() {
    SleepTimer timer;
    QVERIFY(!timer.tick());
    timer.start(3);
    QVERIFY(!timer.tick());
    QVERIFY(!timer.tick());
    QCOMPARE(timer.remaining(), 1);
    QVERIFY(timer.tick());
    timer.stop();
    QVERIFY(!timer.isRunning());
    QVERIFY(!timer.tick());
}

void TestSleepTimer::resumeKeepsTheCountOfAStationChange() {
    SleepTimer timer;
    QSignalSpy changed(&timer, &SleepTimer::sig_changed);
    timer.resume(300, 120);
    QCOMPARE(timer.remaining(), 180);
    QCOMPARE(changed.count(), 1);
    timer.resume(300, 900);
    QCOMPARE(timer.remaining(), 0);
}

QTEST_GUILESS_MAIN(TestSleepTimer)
#include "tst_sleeptimer.moc"
