// The window's recording control flow without the window: when Record can start and why not,
// the recording settings reaching the engine, the split choices, and the question before
// stopping playback while recording.

#include "app/playbackcontroller.h"
#include "app/recordingcontroller.h"
#include "bass/bassevents.h"
#include "recording/appstream.h"
#include "settings/appsettings.h"
#include "support/fixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace BASS;

class TestRecordingController : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<PlaybackController> m_player;
    std::unique_ptr<RecordingController> m_recording;

    bool playMp3() {
        Preset station;
        station.title = QStringLiteral("Recording Test");
        station.addSource(QString::fromStdString(qwtest::icecastUrl("/mp3")));
        m_player->playStation(station, PlaybackController::Ask::No);
        return QTest::qWaitFor([&] { return m_player->isActive(); }, 30000);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_settings = AppSettings::instance();
        m_settings->setStopFadeOut(false);
        m_settings->setAppRecordingFolder(m_dir.filePath("records/new"));
        QString error;
        QString warning;
        QVERIFY2(PlaybackController::initEngine(m_settings, &error, &warning), qPrintable(error));
    }

    void init() {
        m_player = std::make_unique<PlaybackController>(m_settings);
        m_recording = std::make_unique<RecordingController>(m_settings, m_player->engine());
    }

    void cleanup() {
        m_recording.reset();
        m_player.reset();
    }

    void settingsReachTheEngine_data() {
        QTest::addColumn<int>("recBuffer");
        QTest::addColumn<uint>("capacity");
        QTest::newRow("default") << 5120000 << 5120000U;
        QTest::newRow("too large") << 60000000 << 5120000U;
        QTest::newRow("none") << 0 << 0U;
        QTest::newRow("small") << 100000 << 100000U;
    }

    void settingsReachTheEngine() {
        QFETCH(int, recBuffer);
        m_settings->setRecBuffer(recBuffer);
        m_settings->setLameBitrate(192);
        m_settings->setRawRecordingAAC(true);
        m_recording->applySettings();
        AppStream* engine = m_player->engine();
        QTEST(engine->Record().Recording().Capacity(), "capacity");
        QCOMPARE(engine->Mp3Bitrate(), 192);
        QVERIFY(engine->IsDirectFormat(REC_FORMAT_AAC, REC_FORMAT_MP3));
        m_settings->setRawRecordingAAC(false);
        m_recording->applySettings();
        QVERIFY(!engine->IsDirectFormat(REC_FORMAT_AAC, REC_FORMAT_MP3));
        m_settings->setRecBuffer(5120000);
        m_settings->setLameBitrate(128);
    }

    void noSplitToggleAndTexts() {
        m_settings->setRecordingMode(RecordingController::ModeSplit);
        m_settings->setRecordNoSplit(false);
        QCOMPARE(m_recording->noSplitActionText(), QString("Record without splitting"));
        m_recording->toggleNoSplit();
        QVERIFY(m_settings->RecordNoSplit());
        QCOMPARE(m_player->engine()->SplitModeOf(), int(SPLIT_NONE));
        m_settings->setRecordingMode(RecordingController::ModeNoSplit);
        QCOMPARE(m_recording->noSplitActionText(), QString("Record with splitting"));
        m_recording->toggleNoSplit();
        QCOMPARE(m_player->engine()->SplitModeOf(), int(SPLIT_NONE));
        m_settings->setRecordingMode(RecordingController::ModeSplit);
        QCOMPARE(m_recording->actionText(), QString("Start recording"));
    }

    void recordStartsOnlyWhilePlaying() {
        QCOMPARE(m_recording->blockedReason(), QString("Recording starts once a station plays"));
        QCOMPARE(m_recording->toolTip(), m_recording->blockedReason());
        m_recording->toggle(RecordingController::ModeSplit);
        QVERIFY(!m_recording->isRecording());

        QVERIFY(playMp3());
        QVERIFY(m_recording->blockedReason().isEmpty());
        QCOMPARE(m_recording->toolTip(), QString("Start recording (Record with splitting)"));
        QSignalSpy started(m_recording.get(), &RecordingController::sig_started);
        QSignalSpy remote(m_recording.get(), &RecordingController::sig_remoteEvent);
        m_recording->toggle(RecordingController::ModeSplit);
        QVERIFY(m_recording->isRecording());
        QCOMPARE(started.size(), 1);
        // The missing folder was made.
        QVERIFY(started.first().first().toString().startsWith(m_dir.filePath("records/new/")));
        QCOMPARE(remote.first().first().toInt(), RecordingController::RemoteRecordStarted);
        QCOMPARE(m_player->engine()->SplitModeOf(), int(SPLIT_PER_SONG));
        QCOMPARE(m_recording->actionText(), QString("Stop recording"));

        QSignalSpy stopped(m_recording.get(), &RecordingController::sig_stopped);
        m_recording->toggle(RecordingController::ModeSplit);
        QTRY_COMPARE(stopped.size(), 1);
        QVERIFY(!m_recording->isRecording());
        QVERIFY(m_player->isActive());
    }

    void stoppingPlaybackAsksWhileRecording() {
        QStringList questions;
        bool answer = false;
        m_player->setQuestion([&](const QString& text) {
            questions << text;
            return answer;
        });
        QVERIFY(playMp3());
        QVERIFY(m_recording->start(RecordingController::Split::No));
        QVERIFY(!m_player->stopPlayback(PlaybackController::Ask::Yes));
        QCOMPARE(questions,
                 QStringList{"You are currently recording. Do you really want to stop playing?"});
        QVERIFY(m_recording->isRecording());
        const QString file = m_recording->fileName();
        QTRY_VERIFY_WITH_TIMEOUT(m_player->engine()->BytesRecorded() > 0, 30000);

        answer = true;
        QSignalSpy stopped(m_recording.get(), &RecordingController::sig_stopped);
        QVERIFY(m_player->stopPlayback(PlaybackController::Ask::Yes));
        QTRY_COMPARE(stopped.size(), 1);
        QVERIFY(!m_recording->isRecording());
        QVERIFY(QFileInfo(file).size() > 0);
        // A stop the program makes itself does not ask.
        questions.clear();
        QVERIFY(playMp3());
        QVERIFY(m_recording->start(RecordingController::Split::No));
        QVERIFY(m_player->stopPlayback(PlaybackController::Ask::No));
        QVERIFY(questions.isEmpty());
        QVERIFY(!m_recording->isRecording());
    }
};

QTEST_MAIN(TestRecordingController)
#include "tst_recordingcontroller.moc"
