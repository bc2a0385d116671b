#pragma once

// The control flow of playing: starting a station (through the connect controller, which reads a
// playlist first and runs the connect worker with its watchdog), failover to further sources,
// reactions to engine events, stopping, volume and mute, and the per-second counters. It
// decides; the main window only shows what it reports.
// GUI thread; owned by the main window (tests own one directly). Owns the engine and the
// connect controller.

#include "app/statuscounters.h"
#include "recording/connectcontroller.h"
#include "stations/preset.h"

#include <QObject>
#include <QString>

#include <functional>

class AppSettings;
class AppStream;
class SleepTimer;
class Reconnector;

namespace BASS {
class BassQt;
} // namespace BASS

class PlaybackController : public QObject {
    Q_OBJECT
public:
    enum class Ask { No, Yes };

    // Remote-control event codes sent to a registered client.
    enum RemoteEvent {
        RemoteError = 1,
        RemoteConnecting = 2,
        RemoteStopped = 3,
        RemoteRecordStopped = 5,
        RemoteSong = 6
    };

    // Engine error codes after which a failing station may be reported as broken.
    static constexpr int ReportableErrors[] = {41, 40, 2, 20};
    static constexpr int StopFadeMs = 1000;
    // How far the sleep timer may lag behind the recorded seconds of the same length.
    static constexpr int TimerSkewSeconds = 2;

    explicit PlaybackController(AppSettings* settings, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Starts the audio library on the configured device, or on "No sound" when that fails; the
    // reason of such a fall-back goes to warning. False only when no device at all works.
    static bool initEngine(AppSettings* settings, QString* error, QString* warning);

    AppStream* engine() const { return m_engine; }
    const Preset& currentStation() const { return m_current; }
    bool hasStream() const;
    bool isConnecting() const;
    bool isActive() const;
    int lastBitrate() const { return m_lastBitrate; }
    const StatusCounters& counters() const { return m_counters; }
    QString lastErrorText() const { return m_lastErrorText; }
    QString songTitle() const { return m_songTitle; }
    QString stationName() const;
    // "station - song", or the station alone while no song is known.
    QString windowTitle() const;
    // "MP3, 128 kbps, 44100 Hz, Stereo" of the stream that plays.
    QString streamInfoText() const;
    // The now-playing text of the template: %station%, %track% and %url% filled in.
    QString nowPlayingText(const QString& pattern, bool withUrl) const;

    // The address the station plays next: its playlist entry in use, else its source in use.
    static QString currentUrl(const Preset& station);
    // Addresses that name a playlist to be fetched before connecting.
    static bool fetchesPlaylist(const QString& url);
    // The label of the station: a link to its web site where it has one.
    static QString stationLabel(const Preset& station, bool plainText);

    // Asks the user a yes/no question; the window shows a box, tests answer themselves.
    void setQuestion(std::function<bool(const QString& text)> question) {
        m_question = std::move(question);
    }

    int volume() const { return m_volume; }
    bool isMuted() const { return m_muted; }

    // Sleep timer: seconds of playback until it stops and the action runs (0 switches it off).
    void setSleepTimer(int seconds, int action);
    SleepTimer* sleepTimer() const { return m_sleep; }
    int sleepRemaining() const;

    void setLastErrorText(const QString& text) { m_lastErrorText = text; }
    // The station Play plays when none has been played in this run (the front of the history at
    // start); ignored once one has.
    void setLastStation(const Preset& station);
    // Keeps time while a station that went off the air is tried again.
    Reconnector* reconnector() const { return m_reconnect; }

public slots:
    void playStation(const Preset& station, PlaybackController::Ask ask);
    bool stopPlayback(PlaybackController::Ask ask);
    // Stop when something plays, else play the current station again.
    void playOrStop();
    void playLast();
    void back();
    void forward();
    void backPlaylist();
    void forwardPlaylist();
    void playPlaylistEntry(const QString& url);
    void setVolume(int volume);
    void toggleMute();
    // One second of the display timer: counters, the sleep timer, the end of a timed recording.
    void displayTick();
    void showError(const QString& text, bool quiet);

signals:
    void sig_status(const QString& text);
    void sig_error(const QString& text);
    void sig_errorBox(const QString& station, const QString& text);
    void sig_errorCleared();
    void sig_noSources();
    void sig_urlShown(const QString& url);
    void sig_stationShown(const Preset& station);
    void sig_stationPlaying(const Preset& station);
    void sig_songChanged(const QString& title);
    void sig_streamInfo(const QString& text);
    void sig_busyChanged(bool busy);
    void sig_countersChanged(const QString& stationData, const QString& totalData,
                             const QString& stationTime, const QString& songTime);
    void sig_countersReset();
    void sig_reportButton(bool visible);
    void sig_remoteEvent(int code, const QString& text);
    void sig_volumeChanged(int volume);
    void sig_muteChanged(bool muted);
    void sig_sleepChanged(int remainingSeconds);
    void sig_sleepExpired(int action);
    void sig_hourlyCheck();
    void sig_waitCursor(bool on);
    // Nothing plays or connects any more.
    void sig_stopped();

private slots:
    void slot_bassEvent(BASS::BassQt* stream, uint msg, uint param);
    void slot_playlistRead(const QStringList& urls);
    void slot_playlistFailed(const QString& errorMess);
    void slot_connectEnded(ConnectController::Outcome outcome);
    void slot_Timeout();
    void slot_StreamTimeout();
    void slot_streamStarted();
    void slot_reconnectAttempt();

private:
    void startWorker(const QString& url);
    // How long a connect may take before it counts as timed out.
    int watchdogMs() const;
    void afterStop(bool userStop);
    void resetStatusBar();
    void onStreamPlaying();
    void onSongChanged();
    void onStreamEnded();
    void applyVolume();
    bool recentPresetCheck() const;
    // After the station went off the air or an attempt to reach it again failed: waits for the
    // next attempt, or says that the station is gone when none is left.
    void reconnectLater();
    bool mayReconnect() const;
    bool sleepTimerEndsSoon() const;

    AppSettings* m_settings;
    AppStream* m_engine;
    ConnectController* m_connect;
    Reconnector* m_reconnect;
    Preset m_current;
    int m_lastBitrate = 0;
    StatusCounters m_counters;
    QString m_lastErrorText;
    QString m_songTitle;
    int m_volume = 0;
    bool m_muted = false;
    int m_secondsCounter = 0;
    SleepTimer* m_sleep;
    std::function<bool(const QString&)> m_question; // set by the window
};
