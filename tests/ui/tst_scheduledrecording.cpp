// A scheduled recording as it fires while the program runs: the job is made as the schedule
// dialog makes it and registered with `at`; the script `at` keeps for it is read back and run
// exactly as atd would run it (at its time it would wait a minute or more). It starts a copy of the
// real program, which hands its command line over to this process's window through the
// single-instance socket; the window plays the fixture's MP3 mount and records it, and playback
// ends once the recording has its length. The seconds are counted by the engine's own one-second
// step, run here as fast as it goes.

#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/recordingcontroller.h"
#include "qtext/qtsingleapplication.h"
#include "qtext/schedule.h"
#include "qtext/taskscheduler.h"
#include "recording/appstream.h"
#include "recording/csystemshutdown.h"
#include "settings/appsettings.h"
#include "support/fixture.h"
#include "support/mediaprobe.h"
#include "ui/questionanswerer.h"
#include "ui/schedulestationdlg.h"
#include "ui/windowprofile.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using QT_EXT::Schedule;
using QT_EXT::TaskScheduler;

namespace {

constexpr int kWaitMs = 30000;

// Runs a tool to its end; its standard output, or empty when it failed.
QString toolOutput(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(kWaitMs) || process.exitCode() != 0)
        return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The script `at` keeps for the job of that task name, as atd would run it; empty when none.
QString atJobScript(const QString& taskName) {
    const QString marker = QStringLiteral("# Quillowave job: ") + taskName + u'\n';
    const QStringList queue =
        toolOutput(QStringLiteral("atq"), {}).split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : queue) {
        const QString id = line.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0);
        const QString script = toolOutput(QStringLiteral("at"), {QStringLiteral("-c"), id});
        if (script.contains(marker))
            return script;
    }
    return {};
}

} // namespace

class TestScheduledRecording : public QObject {
    Q_OBJECT
public:
    explicit TestScheduledRecording(QString program) : m_program(std::move(program)) {}

private:
    QString m_program; // the copy of the program that the job starts
    QTemporaryDir m_dir;
    std::unique_ptr<QuillowaveWindow> m_window;

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("at")).isEmpty())
            QSKIP("at is not installed");
        QString error;
        AppSettings* settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(settings, qPrintable(error));
        settings->setAppRecordingFolder(m_dir.filePath(QStringLiteral("recorded")));
        m_window = openExposedWindow(settings);
        QVERIFY(m_window);
        // As the program's entry point wires the running instance.
        auto* app = qobject_cast<QT_EXT::QtSingleApplication*>(QCoreApplication::instance());
        QVERIFY(app && !app->isRunning());
        connect(app, &QT_EXT::QtSingleApplication::messageReceived, m_window.get(),
                &QuillowaveWindow::slot_oneInstance);
    }

    void cleanupTestCase() {
        if (m_window)
            m_window->playback()->stopPlayback(PlaybackController::Ask::No);
        m_window.reset();
    }

    void aScheduledRecordingFiresRecordsAndEnds() {
        const QString url = QString::fromStdString(qwtest::icecastUrl("/mp3"));
        Schedule schedule;
        schedule.m_creator = QStringLiteral("Quillowave");
        schedule.m_description = QStringLiteral("Scheduled Radio");
        QString error;
        schedule.m_parameters = ScheduleStationDlg::buildParameters(
            url, schedule.m_description, ScheduleStationDlg::Record, 1,
            CSystemShutdown::ActionStopPlaying, &error);
        QVERIFY2(!schedule.m_parameters.isEmpty(), qPrintable(error));
        schedule.m_application = m_program;
        // Far enough ahead never to fire by itself; its own script is run below instead.
        schedule.setStart(QDateTime::currentDateTime().addDays(1));
        TaskScheduler scheduler(TaskScheduler::Mechanism::At);
        QVERIFY2(scheduler.CreateTask(schedule), qPrintable(scheduler.lastError()));
        const QString script = atJobScript(schedule.m_taskName);
        QVERIFY(scheduler.DeleteTask(schedule.m_taskName));
        QVERIFY(!script.isEmpty());

        QProcess job;
        job.start(QStringLiteral("/bin/sh"), {});
        job.write(script.toLocal8Bit());
        job.closeWriteChannel();
        // The copy hands its command line over through this process's event loop, then ends.
        const bool ended =
            QTest::qWaitFor([&job] { return job.state() == QProcess::NotRunning; }, kWaitMs);
        if (!ended) {
            job.kill();
            job.waitForFinished();
        }
        QVERIFY(ended);
        QCOMPARE(job.exitCode(), 0);

        QTRY_VERIFY_WITH_TIMEOUT(m_window->recording()->isRecording(), kWaitMs);
        AppStream* engine = m_window->playback()->engine();
        QCOMPARE(engine->RecordingLimit(), 60);
        // The end action waits in the sleep timer, as long as the recording.
        QVERIFY(m_window->playback()->sleepRemaining() > 0);
        const QString file = m_window->recording()->fileName();
        QVERIFY(file.startsWith(m_dir.filePath(QStringLiteral("recorded/"))));
        const quint64 start = engine->BytesRecorded();
        QVERIFY(QTest::qWaitFor([&] { return engine->BytesRecorded() > start + 16000; }, kWaitMs));

        QuestionAnswerer no(QMessageBox::No);
        for (int second = 0; second < 3600 && !engine->LimitReached(); ++second)
            engine->Tick();
        QVERIFY(engine->LimitReached());
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playback()->isActive(), kWaitMs);
        QVERIFY(no.asked.isEmpty());
        QVERIFY(!m_window->recording()->isRecording());
        const auto info = qwtest::probe(file);
        QCOMPARE(info.value("codec_name"), QString("mp3"));
        QVERIFY2(info.value("duration").toDouble() > 0.5, qPrintable(info.value("duration")));
    }
};

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The job starts a copy of the program, away from the build folder so that its settings land
    // beside it; the copy's path names the instance socket, so this process listens on it.
    QTemporaryDir programFolder;
    const QString program = programFolder.filePath(QStringLiteral("quillowave"));
    if (!programFolder.isValid() || !QFile::copy(QStringLiteral(QW_PROGRAM), program))
        return 1;
    QT_EXT::QtSingleApplication app(argc, argv, QFileInfo(program).canonicalFilePath());
    TestScheduledRecording test(program);
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_scheduledrecording.moc"
