// The playback controller against the real stream servers on loopback: connecting, the stream's
// station and song, title changes, stopping, failover, playlists and failures.

#include "settings/appsettings.h"
#include "app/playbackcontroller.h"
#include "app/reconnector.h"
#include "recording/appstream.h"
#include "support/fixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace {

QString icecast(const char* mount) {
    return QString::fromStdString(qwtest::icecastUrl(mount));
}

QString http(const char* path) {
    return QString::fromStdString(qwtest::httpUrl(path));
}

Preset station(const QString& title, const QStringList& urls) {
    Preset preset;
    preset.title = title;
    preset.addSource(urls.join(QLatin1Char('\n')));
    return preset;
}

bool spyHas(const QSignalSpy& spy, const QString& text) {
    for (const QList<QVariant>& args : spy) {
        if (args.value(0).toString() == text)
            return true;
    }
    return false;
}

constexpr int kWaitMs = 20000;

} // namespace

class TestPlaybackController : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    std::unique_ptr<PlaybackController> m_player;

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qRegisterMetaType<Preset>();
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_settings = AppSettings::instance();
        m_settings->setStopFadeOut(false);
        m_settings->setTimeoutValue(10);
        QString error;
        QString warning;
        QVERIFY2(PlaybackController::initEngine(m_settings, &error, &warning), qPrintable(error));
        QVERIFY2(!icecast("/mp3").isEmpty(), "the Icecast fixture is not running");
    }

    void init() { m_player = std::make_unique<PlaybackController>(m_settings); }
    void cleanup() { m_player.reset(); }

    void playShowsStationSongAndBitrate() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy songs(m_player.get(), &PlaybackController::sig_songChanged);
        QSignalSpy info(m_player.get(), &PlaybackController::sig_streamInfo);
        QSignalSpy shown(m_player.get(), &PlaybackController::sig_stationShown);
        QSignalSpy busy(m_player.get(), &PlaybackController::sig_busyChanged);
        m_player->playStation(station(QStringLiteral("Loopback MP3"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        QCOMPARE(status.first().value(0).toString(), QStringLiteral("Connecting..."));
        QVERIFY(busy.last().value(0).toBool());
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QVERIFY(m_player->hasStream());
        QCOMPARE(shown.last().value(0).value<Preset>().title, QStringLiteral("Loopback MP3"));
        QVERIFY(!info.isEmpty());
        QVERIFY2(info.last().value(0).toString().contains(QLatin1String("128 kbps")),
                 qPrintable(info.last().value(0).toString()));
        QVERIFY(info.last().value(0).toString().startsWith(QLatin1String("MP3")));
        QCOMPARE(m_player->lastBitrate(), 128);
        QTRY_VERIFY_WITH_TIMEOUT(!songs.isEmpty(), kWaitMs);
        QCOMPARE(m_player->songTitle(), QStringLiteral("Quillowave Test - Sine 440"));
        QCOMPARE(m_player->windowTitle(),
                 QStringLiteral("Loopback MP3 - Quillowave Test - Sine 440"));
    }

    void titleChangeAndCounters() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy songs(m_player.get(), &PlaybackController::sig_songChanged);
        QSignalSpy counters(m_player.get(), &PlaybackController::sig_countersChanged);
        QSignalSpy remote(m_player.get(), &PlaybackController::sig_remoteEvent);
        m_player->playStation(station(QStringLiteral("Titles"), {icecast("/ogg")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QVERIFY(qwtest::setMountTitle("/ogg", "Night Owls - Low Tide"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->songTitle(), QStringLiteral("Night Owls - Low Tide"),
                                  kWaitMs);
        QCOMPARE(songs.last().value(0).toString(), QStringLiteral("Night Owls - Low Tide"));
        QCOMPARE(m_player->windowTitle(), QStringLiteral("Titles - Night Owls - Low Tide"));
        bool songEvent = false;
        for (const auto& args : remote)
            songEvent |= args.value(0).toInt() == PlaybackController::RemoteSong &&
                         args.value(1).toString() == QLatin1String("Night Owls - Low Tide");
        QVERIFY(songEvent);

        // Counters grow by (kbps / 8) * 1000 bytes per displayed second.
        const int kbps = m_player->engine()->Bitrate();
        QVERIFY(kbps > 0);
        const quint64 before = m_player->counters().totalBytes();
        m_player->displayTick();
        m_player->displayTick();
        QCOMPARE(m_player->counters().totalBytes() - before,
                 2 * StatusCounters::bytesPerSecond(kbps));
        QCOMPARE(counters.size(), 2);
        QVERIFY(!counters.last().value(0).toString().isEmpty());
    }

    void stopResetsCounters() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy reset(m_player.get(), &PlaybackController::sig_countersReset);
        QSignalSpy busy(m_player.get(), &PlaybackController::sig_busyChanged);
        m_player->playStation(station(QStringLiteral("Stop me"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        m_player->stopPlayback(PlaybackController::Ask::Yes);
        QVERIFY(!m_player->hasStream());
        QVERIFY(!reset.isEmpty());
        QVERIFY(!busy.last().value(0).toBool());
        QCOMPARE(m_player->lastBitrate(), 0);
        QVERIFY(m_player->currentStation().stoppedByUser);
        QTRY_COMPARE_WITH_TIMEOUT(status.last().value(0).toString(), QStringLiteral("Stopped"),
                                  kWaitMs);
        // A stopped stream adds nothing.
        const quint64 total = m_player->counters().totalBytes();
        m_player->displayTick();
        QCOMPARE(m_player->counters().totalBytes(), total);
    }

    // A station whose stream ends goes off the air: the user is told, and it is tried again
    // after a pause until it plays; the user's Stop ends the attempts.
    void stationOffTheAirIsReconnected() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy errors(m_player.get(), &PlaybackController::sig_error);
        QSignalSpy stopped(m_player.get(), &PlaybackController::sig_stopped);
        m_player->playStation(station(QStringLiteral("Short lived"), {http("/icy?seconds=2")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        const QString waiting = QStringLiteral("Off the air: reconnecting in 5 s (attempt 1)");
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, waiting), kWaitMs);
        QVERIFY(spyHas(errors, QStringLiteral("The station went off the air.")));
        QVERIFY(!stopped.isEmpty());
        QVERIFY(!m_player->hasStream());
        status.clear();
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        m_player->stopPlayback(PlaybackController::Ask::Yes);
        QVERIFY(!m_player->reconnector()->isActive());
    }

    // What a file manager hands over: a playlist file on disk, as a file:// address.
    void playlistFileOnDiskPlays() {
        QFile file(m_dir.filePath(QStringLiteral("my list.pls")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[playlist]\nNumberOfEntries=1\nFile1=" + icecast("/mp3").toUtf8() + "\n");
        file.close();
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        m_player->playStation(
            station(QString(), {QUrl::fromLocalFile(file.fileName()).toString()}),
            PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QCOMPARE(PlaybackController::currentUrl(m_player->currentStation()), icecast("/mp3"));
    }

    void lastStationIsSetOnlyWhileNoneWasPlayed() {
        m_player->setLastStation(station(QStringLiteral("From the history"), {icecast("/mp3")}));
        QCOMPARE(m_player->currentStation().title, QStringLiteral("From the history"));
        m_player->setLastStation(station(QStringLiteral("Later"), {icecast("/ogg")}));
        QCOMPARE(m_player->currentStation().title, QStringLiteral("From the history"));
    }

    void deadFirstSourceFailsOver() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy errors(m_player.get(), &PlaybackController::sig_error);
        m_player->playStation(
            station(QStringLiteral("Two sources"), {http("/status/404"), icecast("/mp3")}),
            PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QCOMPARE(m_player->currentStation().sourceIndex, 1);
        QCOMPARE(errors.size(), 1);
        QVERIFY(!errors.first().value(0).toString().isEmpty());
    }

    void deadStationShowsEngineError() {
        QSignalSpy errors(m_player.get(), &PlaybackController::sig_error);
        QSignalSpy busy(m_player.get(), &PlaybackController::sig_busyChanged);
        m_player->playStation(station(QStringLiteral("Dead"), {http("/status/404")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), kWaitMs);
        QCOMPARE(errors.first().value(0).toString(), m_player->lastErrorText());
        QVERIFY(!m_player->lastErrorText().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!m_player->isConnecting(), kWaitMs);
        QVERIFY(!m_player->hasStream());
        QVERIFY(!busy.last().value(0).toBool());
    }

    void failingStationOffersTheReportOnlyForDirectoryStations() {
        m_settings->setLastPresetCheckDate(QDateTime::currentDateTime().addDays(-1));
        QSignalSpy report(m_player.get(), &PlaybackController::sig_reportButton);
        QSignalSpy errors(m_player.get(), &PlaybackController::sig_error);
        m_player->playStation(station(QStringLiteral("Gone"), {http("/status/404")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), kWaitMs);
        QVERIFY2(report.last().value(0).toBool(),
                 qPrintable(QString::number(m_player->engine()->LastErrorCode())));

        // An address the user typed is not the directory's to fix.
        Preset typed = station(QString(), {http("/status/404")});
        typed.userMade = true;
        report.clear();
        errors.clear();
        m_player->playStation(typed, PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), kWaitMs);
        for (const auto& args : report)
            QVERIFY(!args.value(0).toBool());
        m_settings->setLastPresetCheckDate(QDateTime());
    }

    void playlistIsFetchedAndExpanded() {
        const QString name = QStringLiteral("loop.PLS");
        QFile file(QString::fromStdString(qwtest::wwwDir()) + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("[playlist]\nFile1=%1\nNumberOfEntries=1\n")
                       .arg(icecast("/mp3"))
                       .toUtf8());
        file.close();
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        m_player->playStation(station(QStringLiteral("Playlist"), {http("/files/loop.PLS")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QVERIFY(m_player->currentStation().playlistUrls.has_value());
        QCOMPARE(*m_player->currentStation().playlistUrls, QStringList{icecast("/mp3")});
    }

    void playlistOfAsmxLeavesNoSources() {
        QFile file(QString::fromStdString(qwtest::wwwDir()) + QStringLiteral("/asmx.pls"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[playlist]\nFile1=http://127.0.0.1:9/a.asmx\nFile2=http://127.0.0.1:9/"
                   "b.asmx?x=1\nNumberOfEntries=2\n");
        file.close();
        QSignalSpy none(m_player.get(), &PlaybackController::sig_noSources);
        m_player->playStation(station(QStringLiteral("Service"), {http("/files/asmx.pls")}),
                              PlaybackController::Ask::Yes);
        QTRY_COMPARE_WITH_TIMEOUT(none.size(), 1, kWaitMs);
        QVERIFY(!m_player->isConnecting());
        QVERIFY(PlaybackController::currentUrl(m_player->currentStation()).isEmpty());
    }

    void emptyStationSaysNoSources() {
        QSignalSpy none(m_player.get(), &PlaybackController::sig_noSources);
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        m_player->playStation(Preset(), PlaybackController::Ask::Yes);
        QCOMPARE(none.size(), 1);
        QVERIFY(status.isEmpty());
    }

    void volumeAndMute() {
        m_player->setVolume(40);
        QCOMPARE(m_player->volume(), 40);
        QCOMPARE(m_settings->Volume(), 40);
        m_player->setVolume(140);
        QCOMPARE(m_player->volume(), 100);
        m_player->setVolume(-3);
        QCOMPARE(m_player->volume(), 0);
        m_player->setVolume(30);
        m_player->toggleMute();
        QVERIFY(m_player->isMuted());
        QCOMPARE(m_player->volume(), 30);
        m_player->toggleMute();
        QVERIFY(!m_player->isMuted());
        QCOMPARE(m_player->volume(), 30);
        // Changing the volume while muted unmutes first.
        QSignalSpy mute(m_player.get(), &PlaybackController::sig_muteChanged);
        m_player->toggleMute();
        m_player->setVolume(35);
        QVERIFY(!m_player->isMuted());
        QCOMPARE(mute.last().value(0).toBool(), false);
    }

    void muteHoldsOnANewStream() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        m_player->toggleMute();
        m_player->playStation(station(QStringLiteral("Muted"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->engine()->IsMuted(), kWaitMs);
        m_player->toggleMute();
        QVERIFY(!m_player->engine()->IsMuted());
    }

    void sleepTimerStopsAndReportsItsAction() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy expired(m_player.get(), &PlaybackController::sig_sleepExpired);
        m_player->playStation(station(QStringLiteral("Sleepy"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        // Only seconds of sound count, and the first samples may still be on their way.
        QTRY_VERIFY_WITH_TIMEOUT(m_player->engine()->IsPlaying(), kWaitMs);
        m_player->setSleepTimer(2, 4);
        m_player->displayTick();
        QVERIFY(m_player->hasStream());
        QCOMPARE(m_player->sleepRemaining(), 1);
        m_player->displayTick();
        QVERIFY(!m_player->hasStream());
        QCOMPARE(expired.size(), 1);
        QCOMPARE(expired.first().value(0).toInt(), 4);
        QCOMPARE(m_player->sleepRemaining(), 0);
    }

    void sleepTimerCountsOnlyPlayingSecondsAcrossAStationChange() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        QSignalSpy expired(m_player.get(), &PlaybackController::sig_sleepExpired);
        m_player->setSleepTimer(3, 0);
        m_player->displayTick();
        QCOMPARE(m_player->sleepRemaining(), 3);
        m_player->playStation(station(QStringLiteral("First"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        m_player->displayTick();
        QCOMPARE(m_player->sleepRemaining(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->engine()->IsPlaying(), kWaitMs);
        m_player->displayTick();
        QCOMPARE(m_player->sleepRemaining(), 2);
        status.clear();
        m_player->playStation(station(QStringLiteral("Second"), {icecast("/ogg")}),
                              PlaybackController::Ask::No);
        QCOMPARE(m_player->sleepRemaining(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(spyHas(status, QStringLiteral("Playing")), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->engine()->IsPlaying(), kWaitMs);
        m_player->displayTick();
        m_player->displayTick();
        QCOMPARE(expired.size(), 1);
        QVERIFY(!m_player->hasStream());
        m_player->displayTick();
        QCOMPARE(expired.size(), 1);
    }

    void stoppingByHandCancelsTheSleepTimer() {
        m_player->playStation(station(QStringLiteral("Sleepy"), {icecast("/mp3")}),
                              PlaybackController::Ask::Yes);
        m_player->setSleepTimer(600, 1);
        QVERIFY(m_player->stopPlayback(PlaybackController::Ask::Yes));
        QCOMPARE(m_player->sleepRemaining(), 0);
    }

    void quittingWhileConnectingEndsCleanly() {
        QSignalSpy status(m_player.get(), &PlaybackController::sig_status);
        m_player->playStation(station(QStringLiteral("Hangs"), {http("/hang?seconds=30")}),
                              PlaybackController::Ask::Yes);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->isConnecting(), kWaitMs);
        m_player.reset();
        QVERIFY(!m_player);
    }

    void stopWhileConnectingCancels() {
        QSignalSpy busy(m_player.get(), &PlaybackController::sig_busyChanged);
        m_player->playStation(station(QStringLiteral("Hangs"), {http("/hang?seconds=30")}),
                              PlaybackController::Ask::Yes);
        QVERIFY(m_player->isConnecting());
        QVERIFY(m_player->stopPlayback(PlaybackController::Ask::Yes));
        QVERIFY(!m_player->isConnecting());
        QVERIFY(!m_player->hasStream());
        QVERIFY(!busy.last().value(0).toBool());
    }
};

QTEST_MAIN(TestPlaybackController)
#include "tst_playbackcontroller.moc"
