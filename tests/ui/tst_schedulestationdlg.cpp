// The schedule dialog: the command line a job runs for each start and end action, and the
// stations and durations it refuses before anything is scheduled.

#include "app/commandline.h"
#include "qtext/schedule.h"
#include "ui/schedulestationdlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

class TestScheduleStationDlg : public QObject {
    Q_OBJECT

private slots:
    void parameters_data();
    void parameters();
    void jobCommandLineReadsBackAsChosen_data();
    void jobCommandLineReadsBackAsChosen();
    void stationUrlFallsBackToPlaylist();
    void invalidDurationKeepsTheDialogOpen();
};

void TestScheduleStationDlg::parameters_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("startAction");
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("endAction");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("error");
    const QString head = QStringLiteral("/url=u /name=\"Jazz One\" /show=normal /action=Record ");
    const int rec = ScheduleStationDlg::Record;
    const int play = ScheduleStationDlg::PlayOnly;
    // The reader of the command line exchanges 1 and 4, so they are written exchanged.
    QTest::newRow("record 90 min, shutdown")
        << "Jazz One" << rec << 90 << 1 << head + "/duration=5400 /end_action=4" << "";
    QTest::newRow("record, exit") << "Jazz One" << rec << 1 << 4
                                  << head + "/duration=60 /end_action=1" << "";
    QTest::newRow("record, stop playing")
        << "Jazz One" << rec << 2 << 0 << head + "/duration=120 /end_action=0" << "";
    QTest::newRow("record, sleep") << "Jazz One" << rec << 2 << 2
                                   << head + "/duration=120 /end_action=2" << "";
    QTest::newRow("record, hibernate")
        << "Jazz One" << rec << 2 << 3 << head + "/duration=120 /end_action=3" << "";
    QTest::newRow("play only, no duration")
        << "Jazz One" << play << 0 << 1 << head + "/action=Play " << "";
    QTest::newRow("record for 0 min") << "Jazz One" << rec << 0 << 0 << "" << "Invalid duration";
    QTest::newRow("record above a day")
        << "Jazz One" << rec << 24 * 60 + 1 << 0 << "" << "Invalid duration";
    QTest::newRow("a whole day") << "Jazz One" << rec << 24 * 60 << 0
                                 << head + "/duration=86400 /end_action=0" << "";
    QTest::newRow("quote in title")
        << "Jazz \"One\"" << play << 0 << 0 << head + "/action=Play " << "";
    QTest::newRow("unknown start action") << "Jazz One" << 7 << 5 << 0 << ""
                                          << "Unknown start action";
}

void TestScheduleStationDlg::parameters() {
    QFETCH(QString, title);
    QFETCH(int, startAction);
    QFETCH(int, minutes);
    QFETCH(int, endAction);
    QFETCH(QString, parameters);
    QFETCH(QString, error);
    QString reason;
    QCOMPARE(ScheduleStationDlg::buildParameters(QStringLiteral("u"), title, startAction, minutes,
                                                 endAction, &reason),
             parameters);
    QCOMPARE(reason, error);
}

void TestScheduleStationDlg::jobCommandLineReadsBackAsChosen_data() {
    QTest::addColumn<int>("endAction");
    for (int action = 0; action <= 4; ++action)
        QTest::addRow("end action %d", action) << action;
}

// What the job runs, split as its shell splits it and read as the program reads its command
// line, plays the station, records for the minutes and ends with the action chosen.
void TestScheduleStationDlg::jobCommandLineReadsBackAsChosen() {
    QFETCH(int, endAction);
    QString reason;
    QT_EXT::Schedule job;
    job.m_parameters = ScheduleStationDlg::buildParameters(
        QStringLiteral("http://127.0.0.1:8000/jazz"), QStringLiteral("Jazz One"),
        ScheduleStationDlg::Record, 90, endAction, &reason);
    const CommandLine::Parsed parsed =
        CommandLine::parse(QStringList{QStringLiteral("quillowave")} + job.parameterList());
    QCOMPARE(parsed.url, QStringLiteral("http://127.0.0.1:8000/jazz"));
    QCOMPARE(parsed.name, QStringLiteral("Jazz One"));
    QCOMPARE(parsed.action, QStringLiteral("Record"));
    QCOMPARE(parsed.duration, 5400);
    QCOMPARE(parsed.sleepTimers, (QList<QPair<int, int>>{{endAction, 5400}}));
}

void TestScheduleStationDlg::stationUrlFallsBackToPlaylist() {
    Preset station;
    QString reason;
    QVERIFY(ScheduleStationDlg::buildParameters(ScheduleStationDlg::stationUrl(station),
                                                QStringLiteral("x"), ScheduleStationDlg::PlayOnly,
                                                0, 0, &reason)
                .isEmpty());
    QCOMPARE(reason, QStringLiteral("This station has no stream address"));
    station.addPlaylistUrl(QStringLiteral("http://127.0.0.1/list.pls"));
    QCOMPARE(ScheduleStationDlg::stationUrl(station), QStringLiteral("http://127.0.0.1/list.pls"));
    station.addSource(QStringLiteral("http://127.0.0.1/stream"));
    QCOMPARE(ScheduleStationDlg::stationUrl(station), QStringLiteral("http://127.0.0.1/stream"));
}

void TestScheduleStationDlg::invalidDurationKeepsTheDialogOpen() {
    Preset station;
    station.title = QStringLiteral("Jazz One");
    station.addSource(QStringLiteral("http://127.0.0.1/stream"));
    ScheduleStationDlg dialog(station);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("teDuration"))->setText(QStringLiteral("soon"));
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.statusText(), QStringLiteral("Invalid duration"));
}

QTEST_MAIN(TestScheduleStationDlg)
#include "tst_schedulestationdlg.moc"
