// Tests of the reconnection schedule: attempts come after the pauses in order, a cancel forgets
// them, and the schedule ends after its last pause.

#include "app/reconnector.h"

#include <QSignalSpy>
#include <QTest>

class TestReconnector : public QObject {
    Q_OBJECT

private slots:
    void defaultScheduleGrowsAndLastsAFewMinutes() {
        const QList<int> pauses = Reconnector::defaultPausesMs();
        int total = 0;
        for (int i = 0; i < pauses.size(); ++i) {
            if (i > 0)
                QVERIFY(pauses.at(i) >= pauses.at(i - 1));
            total += pauses.at(i);
        }
        QVERIFY(total >= 3 * 60000 && total <= 6 * 60000);
    }

    void attemptsFollowThePausesUntilTheyRunOut() {
        Reconnector reconnector(nullptr, {10, 1500});
        QSignalSpy waiting(&reconnector, &Reconnector::signal_waiting);
        QSignalSpy attempts(&reconnector, &Reconnector::signal_attempt);
        QVERIFY(reconnector.scheduleNext());
        QVERIFY(reconnector.isActive());
        QVERIFY(attempts.wait());
        QCOMPARE(attempts.takeFirst().at(0).toInt(), 1);
        QCOMPARE(waiting.first().at(1).toInt(), 1);

        waiting.clear();
        QVERIFY(reconnector.scheduleNext());
        QCOMPARE(waiting.first(), (QList<QVariant>{2, 2}));
        QVERIFY(attempts.wait());
        QCOMPARE(attempts.takeFirst().at(0).toInt(), 2);
        // The count-down went from 2 s to 1 s before the attempt.
        QCOMPARE(waiting.last(), (QList<QVariant>{1, 2}));

        QVERIFY(!reconnector.scheduleNext());
        QVERIFY(!reconnector.isActive());
    }

    void cancelStartsAfresh() {
        Reconnector reconnector(nullptr, {10, 20});
        QSignalSpy attempts(&reconnector, &Reconnector::signal_attempt);
        QVERIFY(reconnector.scheduleNext());
        QVERIFY(attempts.wait());
        reconnector.cancel();
        QVERIFY(!reconnector.isActive());
        QVERIFY(reconnector.scheduleNext());
        QCOMPARE(reconnector.attempt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestReconnector)
#include "tst_reconnector.moc"
