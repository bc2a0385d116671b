// Recording from the main window against the fixture's MP3 mount, on the offscreen platform: the
// Record button waits for a playing station and says so, F3 records into a file a player opens,
// the status bar counts the recording, the Recording menu follows, F4 ends at the next title,
// stopping playback or leaving while recording asks first, the record-options dialog (from
// the menu, or with Control on Record) stores its choices and starts as chosen, its timed split
// goes on in a new file, and a timed recording from the command line ends playback at its limit.

#include "app/commandline.h"
#include "app/playbackcontroller.h"
#include "app/quillowavewindow.h"
#include "app/recordingcontroller.h"
#include "recording/appstream.h"
#include "settings/appsettings.h"
#include "support/fixture.h"
#include "support/mediaprobe.h"
#include "ui/questionanswerer.h"
#include "ui/recoptions.h"
#include "ui/windowprofile.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

constexpr int kWaitMs = 30000;
const QString kFixtureTitle = QStringLiteral("Quillowave Test - Sine 440");

} // namespace

class TestWindowRecording : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<QuillowaveWindow> m_window;

    QToolButton* recordButton() const {
        return m_window->findChild<QToolButton*>(QStringLiteral("btRecord"));
    }
    QLabel* statusBarLabel(const char* name) const {
        return m_window->findChild<QLabel*>(QLatin1String(name));
    }
    QMenu* recordingMenu() const { return m_window->mainMenu(PlayerControl::Menu::Recording); }
    QAction* noSplitAction() const {
        for (QAction* action : recordingMenu()->actions()) {
            if (action->isCheckable())
                return action;
        }
        return nullptr;
    }

    QAction* menuAction(const QString& text) const {
        for (QAction* action : recordingMenu()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

    // Runs step on the record-options dialog that opens next, from inside its own loop.
    void onRecOptions(std::function<void(RecOptions*)> step) {
        auto* poll = new QTimer(this);
        poll->setInterval(20);
        connect(poll, &QTimer::timeout, this, [poll, step] {
            auto* dialog = qobject_cast<RecOptions*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll->stop();
            poll->deleteLater();
            step(dialog);
        });
        poll->start();
    }

    static void chooseMode(RecOptions* dialog, const QString& text) {
        auto* modes = dialog->findChild<QComboBox*>(QStringLiteral("cbMode"));
        modes->setCurrentIndex(modes->findText(text));
    }

    bool playMp3() {
        Preset station;
        station.title = QStringLiteral("Recording Radio");
        station.addSource(QString::fromStdString(qwtest::icecastUrl("/mp3")));
        m_window->playStation(station, true);
        return QTest::qWaitFor([&] { return m_window->playback()->isActive(); }, kWaitMs);
    }

    void pressKey(Qt::Key key) {
        m_window->activateWindow();
        QTest::keyClick(m_window.get(), key);
    }

    // Waits until the recording holds audio beyond the song buffer's share, so that the file
    // has frames written while the window was recording.
    bool recordedSomeLiveBytes() {
        AppStream* engine = m_window->playback()->engine();
        const quint64 start = engine->BytesRecorded();
        return QTest::qWaitFor([&] { return engine->BytesRecorded() > start + 16000; }, kWaitMs);
    }

    // Runs the engine's one-second step, as that many seconds of playback would, until done
    // (asked once after each step) says enough; false when an hour was not enough.
    static bool tickUntil(AppStream* engine, const std::function<bool()>& done) {
        for (int second = 0; second < 3600; ++second) {
            engine->Tick();
            if (done())
                return true;
        }
        return false;
    }

    static void verifyPlayableMp3(const QString& file) {
        const auto info = qwtest::probe(file);
        QCOMPARE(info.value("exit"), QString("0"));
        QCOMPARE(info.value("codec_name"), QString("mp3"));
        QVERIFY2(info.value("duration").toDouble() > 0.5, qPrintable(info.value("duration")));
    }

private slots:
    void initTestCase() {
        QString error;
        m_settings = prepareWindowProfile(m_dir, error);
        QVERIFY2(m_settings, qPrintable(error));
        // A folder that does not exist yet: the first recording makes it.
        m_settings->setAppRecordingFolder(m_dir.filePath(QStringLiteral("recorded/here")));
    }

    void init() {
        m_settings->setRecordingMode(RecordingController::ModeSplit);
        m_settings->setRecordNoSplit(false);
        m_window = openExposedWindow(m_settings);
        QVERIFY(m_window);
    }

    void cleanup() {
        if (m_window)
            m_window->playback()->stopPlayback(PlaybackController::Ask::No);
        m_window.reset();
    }

    void recordWaitsForAPlayingStationAndSaysSo() {
        QVERIFY(!recordButton()->isEnabled());
        QCOMPARE(recordButton()->toolTip(), QString("Recording starts once a station plays"));
        QVERIFY(playMp3());
        QTRY_VERIFY(recordButton()->isEnabled());
        // The button bar may enable its buttons a moment before the recording control is told.
        QTRY_COMPARE(recordButton()->toolTip(), QString("Start recording (Record with splitting)"));
        QCOMPARE(recordingMenu()->actions().first()->text(), QString("Start recording"));
    }

    void f3RecordsIntoAFileAPlayerOpens() {
        QVERIFY(playMp3());
        QLabel* recordingLabel = statusBarLabel("labelRecording");
        QLabel* counters = statusBarLabel("labelRecordCounters");
        pressKey(Qt::Key_F3);
        QVERIFY(m_window->recording()->isRecording());
        const QString file = recordingLabel->toolTip();
        // In the station's own folder inside the recording folder.
        QCOMPARE(QFileInfo(QFileInfo(file).absolutePath()).absolutePath(),
                 m_dir.filePath(QStringLiteral("recorded/here")));
        QCOMPARE(m_window->statusLabel()->text(), QString("Recording"));
        QCOMPARE(recordButton()->toolTip(), QString("Stop recording"));
        QCOMPARE(recordingMenu()->actions().first()->text(), QString("Stop recording"));

        // The counters move with the display timer while the file grows.
        QTRY_VERIFY_WITH_TIMEOUT(!counters->text().isEmpty(), kWaitMs);
        const QString first = counters->text();
        QTRY_VERIFY_WITH_TIMEOUT(counters->text() != first, kWaitMs);
        QVERIFY(recordedSomeLiveBytes());

        pressKey(Qt::Key_F3);
        QTRY_VERIFY(!m_window->recording()->isRecording());
        QCOMPARE(m_window->statusLabel()->text(), QString("Playing"));
        QVERIFY(recordingLabel->toolTip().isEmpty());
        QVERIFY(counters->text().isEmpty());
        QCOMPARE(recordingMenu()->actions().first()->text(), QString("Start recording"));
        QVERIFY(m_window->playback()->isActive());
        verifyPlayableMp3(file);
    }

    void stoppingPlaybackOrLeavingWhileRecordingAsks() {
        QVERIFY(playMp3());
        m_window->slot_Record();
        QVERIFY(m_window->recording()->isRecording());
        const QString file = m_window->recording()->fileName();
        QVERIFY(recordedSomeLiveBytes());
        {
            QuestionAnswerer no(QMessageBox::No);
            m_window->slot_Stop();
            QCOMPARE(no.asked, QStringList{"You are currently recording. Do you really want to "
                                           "stop playing?"});
            QVERIFY(!m_window->confirmExit());
            QCOMPARE(no.asked.last(),
                     QString("You are currently recording. Do you really want to exit?"));
        }
        QVERIFY(m_window->recording()->isRecording());
        QVERIFY(m_window->playback()->isActive());
        {
            QuestionAnswerer yes(QMessageBox::Yes);
            m_window->slot_Stop();
            QCOMPARE(yes.asked.size(), 1);
        }
        QTRY_VERIFY(!m_window->recording()->isRecording());
        QVERIFY(statusBarLabel("labelRecording")->toolTip().isEmpty());
        QVERIFY(!recordButton()->isEnabled());
        verifyPlayableMp3(file);
        // Nothing records now, so leaving asks nothing.
        QVERIFY(m_window->confirmExit());
    }

    void aFullDiskStopsTheRecordingWithItsErrorAndPlaybackGoesOn() {
        QVERIFY(playMp3());
        m_window->slot_Record();
        const QString file = m_window->recording()->fileName();
        QVERIFY(recordedSomeLiveBytes());
        // The file may grow by a few more blocks, then the disk is full.
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = old;
        full.rlim_cur = static_cast<rlim_t>(QFileInfo(file).size() + 20000);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        QuestionAnswerer ok(QMessageBox::Ok);
        const bool stopped =
            QTest::qWaitFor([&] { return !m_window->recording()->isRecording(); }, kWaitMs);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(stopped);
        QTRY_COMPARE_WITH_TIMEOUT(ok.asked, QStringList{"Recording failed - Unable to write to disk"},
                                  kWaitMs);
        QVERIFY(m_window->playback()->isActive());
        QCOMPARE(m_window->statusLabel()->text(), QString("Playing"));
        verifyPlayableMp3(file);
    }

    void noSplitChoiceReachesTheEngineAndTheMenu() {
        QAction* noSplit = noSplitAction();
        QVERIFY(noSplit);
        QCOMPARE(noSplit->text(), QString("Record without splitting"));
        QVERIFY(!noSplit->isChecked());
        noSplit->trigger();
        QVERIFY(m_settings->RecordNoSplit());
        QCOMPARE(m_window->playback()->engine()->SplitModeOf(), int(BASS::SPLIT_NONE));
        QVERIFY(noSplitAction()->isChecked());
        QVERIFY(playMp3());
        QTRY_COMPARE(recordButton()->toolTip(),
                     QString("Start recording (Record without splitting)"));
        noSplitAction()->trigger();
        QVERIFY(!m_settings->RecordNoSplit());
        QCOMPARE(m_window->playback()->engine()->SplitModeOf(), int(BASS::SPLIT_PER_SONG));
    }

    void f4RecordsOneSongAndStopsAtTheNextTitle() {
        QVERIFY(playMp3());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->songLabel()->text(), kFixtureTitle, kWaitMs);
        pressKey(Qt::Key_F4);
        QVERIFY(m_window->recording()->isRecording());
        const QString file = m_window->recording()->fileName();
        QVERIFY(recordedSomeLiveBytes());
        const bool changed = qwtest::setMountTitle("/mp3", "Next Artist - Next Song");
        if (changed)
            QTRY_VERIFY_WITH_TIMEOUT(!m_window->recording()->isRecording(), kWaitMs);
        // The other tests expect the fixture's own title back.
        QVERIFY(qwtest::setMountTitle("/mp3", kFixtureTitle.toStdString()));
        QVERIFY(changed);
        QVERIFY(m_window->playback()->isActive());
        QCOMPARE(m_window->statusLabel()->text(), QString("Playing"));
        verifyPlayableMp3(file);
    }

    void recordOptionsFromTheMenuAreStored() {
        const QString folder = m_settings->AppRecordingFolder();
        QStringList modes;
        onRecOptions([&](RecOptions* dialog) {
            auto* box = dialog->findChild<QComboBox*>(QStringLiteral("cbMode"));
            for (int i = 0; i < box->count(); ++i)
                modes << box->itemText(i);
            dialog->findChild<QSpinBox*>(QStringLiteral("sbBitrate"))->setValue(64);
            dialog->reject();
        });
        menuAction(QStringLiteral("Record options..."))->trigger();
        QCOMPARE(modes, (QStringList{"Start recording single song", "Record without splitting",
                                     "Record with splitting"}));
        QCOMPARE(m_settings->LameBitrate(), 128);
        QCOMPARE(m_settings->TimedSplitMinutes(), 0);

        const QString chosen = m_dir.filePath(QStringLiteral("chosen"));
        onRecOptions([&](RecOptions* dialog) {
            QCOMPARE(dialog->windowTitle(), QString("Record Options"));
            chooseMode(dialog, QStringLiteral("Start recording single song"));
            dialog->findChild<QSpinBox*>(QStringLiteral("sbBitrate"))->setValue(192);
            dialog->findChild<QSpinBox*>(QStringLiteral("sbTimedSplit"))->setValue(30);
            dialog->findChild<QLineEdit*>(QStringLiteral("edFolder"))->setText(chosen);
            dialog->accept();
        });
        menuAction(QStringLiteral("Record options..."))->trigger();
        QCOMPARE(m_settings->RecordingMode(), int(RecordingController::ModeSingleSong));
        QCOMPARE(m_settings->LameBitrate(), 192);
        QCOMPARE(m_settings->TimedSplitMinutes(), 30);
        QCOMPARE(m_settings->AppRecordingFolder(), chosen);
        AppStream* engine = m_window->playback()->engine();
        QCOMPARE(engine->Mp3Bitrate(), 192);
        // The single-song entry is the Record action itself in that mode.
        QVERIFY(!menuAction(QStringLiteral("Start recording single song")));

        QCOMPARE(engine->TimedSplitMinutes(), 30);

        m_settings->setLameBitrate(128);
        m_settings->setTimedSplitMinutes(0);
        m_settings->setAppRecordingFolder(folder);
    }

    void controlOnRecordChoosesHowToStart() {
        QVERIFY(playMp3());
        QTRY_VERIFY(recordButton()->isEnabled());
        onRecOptions([](RecOptions* dialog) { dialog->reject(); });
        QTest::mouseClick(recordButton(), Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(!m_window->recording()->isRecording());

        onRecOptions([](RecOptions* dialog) {
            chooseMode(dialog, QStringLiteral("Record without splitting"));
            dialog->accept();
        });
        QTest::mouseClick(recordButton(), Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(m_window->recording()->isRecording());
        QCOMPARE(m_window->playback()->engine()->SplitModeOf(), int(BASS::SPLIT_NONE));
        QCOMPARE(m_settings->RecordingMode(), int(RecordingController::ModeNoSplit));
        // Control on a running recording just stops it.
        QTest::mouseClick(recordButton(), Qt::LeftButton, Qt::ControlModifier);
        QTRY_VERIFY(!m_window->recording()->isRecording());
    }

    void timedSplitGoesOnInANewFileAfterItsMinutes() {
        QVERIFY(playMp3());
        QTRY_VERIFY(recordButton()->isEnabled());
        onRecOptions([](RecOptions* dialog) {
            dialog->findChild<QSpinBox*>(QStringLiteral("sbTimedSplit"))->setValue(1);
            dialog->accept();
        });
        QTest::mouseClick(recordButton(), Qt::LeftButton, Qt::ControlModifier);
        m_settings->setTimedSplitMinutes(0);
        QVERIFY(m_window->recording()->isRecording());
        AppStream* engine = m_window->playback()->engine();
        QCOMPARE(engine->TimedSplitMinutes(), 1);
        QLabel* recordingLabel = statusBarLabel("labelRecording");
        const QString first = recordingLabel->toolTip();
        QVERIFY(recordedSomeLiveBytes());

        int since = engine->SecondsSinceSplit();
        QVERIFY(tickUntil(engine, [&] {
            const bool restarted = engine->SecondsSinceSplit() < since;
            since = engine->SecondsSinceSplit();
            return restarted;
        }));
        QTRY_VERIFY_WITH_TIMEOUT(recordingLabel->toolTip() != first, kWaitMs);
        const QString second = recordingLabel->toolTip();
        QCOMPARE(QFileInfo(second).absolutePath(), QFileInfo(first).absolutePath());
        QVERIFY(m_window->recording()->isRecording());
        verifyPlayableMp3(first);
        QVERIFY(recordedSomeLiveBytes());
        m_window->slot_Record();
        QTRY_VERIFY(!m_window->recording()->isRecording());
        verifyPlayableMp3(second);
    }

    void timedRecordingFromTheCommandLineEndsPlaybackAtItsLimit() {
        const QString url = QString::fromStdString(qwtest::icecastUrl("/mp3"));
        m_window->slot_oneInstance(CommandLine::handOverMessage(
            {QStringLiteral("quillowave"), QStringLiteral("/url=") + url,
             QStringLiteral("/name=Timed Radio"), QStringLiteral("/action=Record"),
             QStringLiteral("/duration=60")}));
        QTRY_VERIFY_WITH_TIMEOUT(m_window->recording()->isRecording(), kWaitMs);
        AppStream* engine = m_window->playback()->engine();
        QCOMPARE(engine->RecordingLimit(), 60);
        const QString file = m_window->recording()->fileName();
        QVERIFY(recordedSomeLiveBytes());

        QuestionAnswerer no(QMessageBox::No);
        QVERIFY(tickUntil(engine, [engine] { return engine->LimitReached(); }));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->playback()->isActive(), kWaitMs);
        QVERIFY(no.asked.isEmpty());
        QVERIFY(!m_window->recording()->isRecording());
        QCOMPARE(engine->RecordingLimit(), 0);
        verifyPlayableMp3(file);

        // The command asked for one timed recording; the next station only plays.
        QVERIFY(playMp3());
        QTRY_COMPARE(recordButton()->toolTip(), QString("Start recording (Record with splitting)"));
        QVERIFY(!m_window->recording()->isRecording());
    }
};

QTEST_MAIN(TestWindowRecording)
#include "tst_windowrecording.moc"
