#include "app/playbackcontroller.h"

#include "app/reconnector.h"
#include "bass/bassevents.h"
#include "bass/playlistparser.h"
#include "recording/appstream.h"
#include "recording/sleeptimer.h"
#include "settings/appsettings.h"

#include <QDebug>
#include <QFile>
#include <QUrl>

#include <algorithm>

using namespace BASS;

namespace {

QString withEllipsis(const QString& text) {
    return text + QStringLiteral("...");
}

DWORD streamVolume(int volume) {
    return DWORD(volume * 100);
}

} // namespace

PlaybackController::PlaybackController(AppSettings* settings, QObject* parent)
    : QObject(parent), m_settings(settings), m_engine(new AppStream(this)),
      m_connect(new ConnectController(m_engine, this)), m_reconnect(new Reconnector(this)),
      m_sleep(new SleepTimer(this)) {
    connect(m_reconnect, &Reconnector::signal_waiting, this, [this](int seconds, int attempt) {
        emit sig_status(
            tr("Off the air: reconnecting in %1 s (attempt %2)").arg(seconds).arg(attempt));
    });
    connect(m_reconnect, &Reconnector::signal_attempt, this,
            &PlaybackController::slot_reconnectAttempt);
    m_engine->SetDataFolder(settings->dataFolder());
    m_sleep->setEndAction(settings->ShutdownComputerAction());
    connect(m_sleep, &SleepTimer::sig_changed, this,
            [this] { emit sig_sleepChanged(m_sleep->remaining()); });
    connect(m_connect, &ConnectController::sig_timedOut, this, &PlaybackController::slot_Timeout);
    connect(m_connect, &ConnectController::sig_playlistRead, this,
            &PlaybackController::slot_playlistRead);
    connect(m_connect, &ConnectController::sig_playlistFailed, this,
            &PlaybackController::slot_playlistFailed);
    connect(m_connect, &ConnectController::sig_connectEnded, this,
            &PlaybackController::slot_connectEnded);
    // Engine events come from library threads: always queue them so they arrive in order.
    connect(m_engine, &BassQt::sig_bassEvent, this, &PlaybackController::slot_bassEvent,
            Qt::QueuedConnection);
    connect(m_engine, &AppStream::signal_Timeout, this, &PlaybackController::slot_StreamTimeout);
    connect(m_engine, &AppStream::signal_Started, this, &PlaybackController::slot_streamStarted,
            Qt::QueuedConnection);
    m_volume = std::clamp(settings->Volume(), 0, 100);
    applyVolume();
}

PlaybackController::~PlaybackController() {
    m_connect->abort();
    disconnect(m_engine, nullptr, this, nullptr);
    m_engine->Stop(0);
}

bool PlaybackController::initEngine(AppSettings* settings, QString* error, QString* warning) {
    const uint netTimeout = CBass::NetTimeoutSecondsForSetting(settings->TimeoutValue());
    const uint bufferMs = uint(qMax(0, settings->BufferSize()));
    // The volume holds before the first stream starts.
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, streamVolume(std::clamp(settings->Volume(), 0, 100)));
    if (CBass::Init(settings->PlayOnDevices(), error, netTimeout, true, bufferMs, "Quillowave",
                    nullptr))
        return true;
    if (warning)
        *warning = tr("No sound device could be opened (%1); playing without sound.")
                       .arg(error ? *error : QString());
    return CBass::Init(0, error, netTimeout, true, bufferMs, "Quillowave", nullptr);
}

bool PlaybackController::hasStream() const {
    return m_engine->GetHandle() != 0;
}

bool PlaybackController::isConnecting() const {
    return m_connect->isConnecting();
}

bool PlaybackController::isActive() const {
    return hasStream() && m_engine->IsActive();
}

QString PlaybackController::stationName() const {
    if (!m_current.title.isEmpty())
        return m_current.title;
    return m_engine->StationName();
}

QString PlaybackController::windowTitle() const {
    const QString name = stationName();
    if (m_songTitle.isEmpty())
        return name;
    return name + QStringLiteral(" - ") + m_songTitle;
}

QString PlaybackController::streamInfoText() const {
    if (!hasStream())
        return QString();
    const BASS_CHANNELINFO info = m_engine->ChannelInfo();
    QStringList parts;
    const QString type = CBass::ChannelTypeText(info.ctype);
    if (!type.isEmpty())
        parts << type;
    if (m_engine->Bitrate() > 0)
        parts << m_engine->BitrateText();
    if (info.freq != 0)
        parts << tr("%1 Hz").arg(info.freq);
    if (info.chans != 0)
        parts << (info.chans == 1 ? tr("Mono") : tr("Stereo"));
    return parts.join(QStringLiteral(", "));
}

QString PlaybackController::nowPlayingText(const QString& pattern, bool withUrl) const {
    if (!hasStream())
        return pattern;
    QString text = pattern;
    text.replace(QLatin1String("%station%"), stationName());
    text.replace(QLatin1String("%track%"), m_songTitle);
    text.replace(QLatin1String("%url%"), withUrl ? m_engine->ConnectedURL() : QString());
    return text;
}

QString PlaybackController::currentUrl(const Preset& station) {
    if (station.playlistUrls) {
        const QStringList& list = *station.playlistUrls;
        return station.playlistIndex >= 0 && station.playlistIndex < list.size()
                   ? list.at(station.playlistIndex)
                   : QString();
    }
    if (station.sourceIndex >= 0 && station.sourceIndex < station.sources.size())
        return station.sources.at(station.sourceIndex);
    return station.sources.isEmpty() ? station.firstUrl : QString();
}

bool PlaybackController::fetchesPlaylist(const QString& url) {
    return BASS::PlaylistParser::FetchesPlaylist(url);
}

QString PlaybackController::stationLabel(const Preset& station, bool plainText) {
    if (plainText || !station.website.contains(QLatin1String("://")))
        return station.title;
    return QStringLiteral("<html><a href=\"%1\">%2</a>")
        .arg(station.website.toHtmlEscaped(), station.title.toHtmlEscaped());
}

void PlaybackController::playStation(const Preset& station, Ask ask) {
    if (ask == Ask::Yes)
        m_reconnect->cancel();
    QString url = currentUrl(station);
    if (url.isEmpty()) {
        emit sig_noSources();
        return;
    }
    // Changing the station is not stopping: the sleep timer counts on for the new one.
    const int sleepLength = m_sleep->length();
    const int sleepElapsed = m_sleep->elapsed();
    if ((hasStream() || isConnecting()) && !stopPlayback(ask))
        return;
    m_sleep->resume(sleepLength, sleepElapsed);
    url = url.section(QLatin1Char('\n'), 0, 0);

    emit sig_waitCursor(true);
    emit sig_errorCleared();
    emit sig_urlShown(url);
    emit sig_status(withEllipsis(tr("Connecting")));
    if (ask == Ask::Yes)
        m_engine->Reset();

    m_current = station;
    m_songTitle.clear();
    m_counters.resetStation();
    emit sig_stationShown(m_current);
    emit sig_reportButton(false);
    Station now;
    now.m_name = station.title;
    now.m_webSite = station.website;
    now.m_url = url;
    now.m_country = station.country;
    now.m_genre = station.genre;
    m_engine->SetStation(now);
    m_engine->SetSplitDelay(station.splitDelay);

    m_connect->setWatchdogMs(watchdogMs());
    m_connect->open(url);
    emit sig_busyChanged(true);
    if (ask == Ask::Yes)
        emit sig_remoteEvent(RemoteConnecting, QString());
    emit sig_waitCursor(false);
}

int PlaybackController::watchdogMs() const {
    return qMax(1, m_settings->TimeoutValue()) * 2000;
}

void PlaybackController::startWorker(const QString& url) {
    m_connect->setWatchdogMs(watchdogMs());
    m_connect->connectTo({url});
    emit sig_busyChanged(true);
}

void PlaybackController::slot_playlistRead(const QStringList& urls) {
    m_current.playlistUrls = urls;
    m_current.playlistIndex = 0;
    playStation(m_current, Ask::No);
}

void PlaybackController::slot_playlistFailed(const QString& errorMess) {
    showError(tr(errorMess.toUtf8().constData()), false);
    afterStop(true);
}

void PlaybackController::slot_connectEnded(ConnectController::Outcome outcome) {
    if (outcome != ConnectController::Outcome::Failed)
        return;
    // While reconnecting, a failed attempt is reported in the status bar only.
    showError(m_engine->LastErrorText(), m_reconnect->isActive());
    const int code = m_engine->LastErrorCode();
    const bool reportable = std::find(std::begin(ReportableErrors), std::end(ReportableErrors),
                                      code) != std::end(ReportableErrors);
    if (!m_current.userMade && reportable && recentPresetCheck())
        emit sig_reportButton(true);
    if (!m_current.stoppedByUser && m_current.sources.size() > 1 && !m_current.isOnLastSource()) {
        ++m_current.sourceIndex;
        m_current.playlistUrls.reset();
        m_current.playlistIndex = 0;
        playStation(m_current, Ask::No);
        return;
    }
    if (m_reconnect->isActive()) {
        stopPlayback(Ask::No);
        reconnectLater();
        return;
    }
    stopPlayback(Ask::Yes);
}

void PlaybackController::setLastStation(const Preset& station) {
    if (currentUrl(m_current).isEmpty())
        m_current = station;
}

bool PlaybackController::mayReconnect() const {
    // A file ends for good; only a station on the network can come back.
    const QString url = currentUrl(m_current);
    return !m_current.stoppedByUser && url.contains(QLatin1String("://")) &&
           !QUrl(url).isLocalFile();
}

void PlaybackController::reconnectLater() {
    if (!m_reconnect->scheduleNext())
        showError(tr("The station could not be reached again."), false);
}

void PlaybackController::slot_reconnectAttempt() {
    m_current.stoppedByUser = false;
    playStation(m_current, Ask::No);
}

bool PlaybackController::recentPresetCheck() const {
    const QDateTime checked = m_settings->LastPresetCheckDate();
    return checked.isValid() && checked.daysTo(QDateTime::currentDateTime()) < 3;
}

void PlaybackController::slot_Timeout() {
    if (m_reconnect->isActive()) {
        stopPlayback(Ask::No);
        showError(tr("Connection timed out"), true);
        reconnectLater();
        return;
    }
    stopPlayback(Ask::Yes);
    showError(tr("Connection timed out"), false);
}

void PlaybackController::slot_StreamTimeout() {
    Preset again = m_current;
    stopPlayback(Ask::No);
    again.stoppedByUser = false;
    playStation(again, Ask::No);
}

void PlaybackController::slot_streamStarted() {
    applyVolume();
}

void PlaybackController::applyVolume() {
    if (CBass::WasStarted())
        BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, streamVolume(m_volume));
    if (hasStream() && m_muted != m_engine->IsMuted())
        m_engine->SetMute(m_muted, 0);
}

bool PlaybackController::stopPlayback(Ask ask) {
    const bool userStop = ask == Ask::Yes;
    if (userStop && m_engine->IsRecording() && m_question &&
        !m_question(tr("You are currently recording. Do you really want to stop playing?")))
        return false;
    if (userStop)
        m_reconnect->cancel();
    if (isConnecting()) {
        emit sig_status(tr("Stopping"));
        emit sig_waitCursor(true);
        // Even with a stream the worker may still be finishing its open; it must end before a
        // new connection can start. The abort ends a create within moments.
        m_connect->abort();
        if (hasStream())
            m_engine->Stop(0);
        emit sig_waitCursor(false);
    } else {
        // A playlist still being downloaded is given up: its answer must not start a connect.
        m_connect->abort();
        if (hasStream()) {
            emit sig_status(tr("Stopping"));
            m_engine->Stop(m_settings->StopFadeOut() ? StopFadeMs : 0);
        }
    }
    afterStop(userStop);
    m_sleep->stop();
    return true;
}

void PlaybackController::afterStop(bool userStop) {
    emit sig_remoteEvent(RemoteStopped, QString());
    m_lastBitrate = 0;
    m_engine->Reset();
    m_songTitle.clear();
    if (userStop)
        m_current.stoppedByUser = true;
    resetStatusBar();
    emit sig_busyChanged(hasStream() || isConnecting());
    if (!hasStream() && !isConnecting())
        emit sig_stopped();
}

void PlaybackController::resetStatusBar() {
    emit sig_countersReset();
    // The error shares the status label: it is shown again after the status is emptied.
    emit sig_status(QString());
    if (m_lastErrorText.isEmpty())
        emit sig_errorCleared();
    else
        emit sig_error(m_lastErrorText);
}

void PlaybackController::showError(const QString& text, bool quiet) {
    emit sig_remoteEvent(RemoteError, text);
    m_lastErrorText = text.isEmpty() ? tr("Unknown Error") : text;
    if (m_settings->ShowMessageBoxConnection() && !quiet) {
        const QString name = m_current.title.isEmpty() ? currentUrl(m_current) : m_current.title;
        emit sig_errorBox(name, m_lastErrorText);
    } else {
        emit sig_error(m_lastErrorText);
    }
}

void PlaybackController::slot_bassEvent(BassQt* stream, uint msg, uint param) {
    if (stream != m_engine)
        return;
    switch (msg) {
    case EVENT_STALL:
        emit sig_status(param == 0 ? withEllipsis(tr("Buffering")) : tr("Playing"));
        break;
    case EVENT_META_CHANGED:
        onSongChanged();
        break;
    case EVENT_RECORD_STOPPED:
        emit sig_remoteEvent(RemoteRecordStopped, QString());
        break;
    case EVENT_STREAM_END:
        onStreamEnded();
        break;
    case EVENT_CONNECT_ABORTED:
        emit sig_status(tr("Canceled"));
        emit sig_countersReset();
        break;
    case EVENT_CONNECTING:
        emit sig_busyChanged(true);
        emit sig_status(withEllipsis(tr("Connecting")));
        break;
    case EVENT_PLAYING:
        onStreamPlaying();
        break;
    case EVENT_STOPPED:
        // A stop the user asked for has already run the after-stop steps.
        if (!hasStream() && !isConnecting()) {
            const bool wasUserStop = m_current.stoppedByUser;
            afterStop(false);
            m_current.stoppedByUser = wasUserStop;
        }
        emit sig_status(tr("Stopped"));
        break;
    default:
        break;
    }
}

void PlaybackController::onStreamEnded() {
    if (!m_current.stoppedByUser && m_current.playlistUrls && m_current.playlistUrls->size() > 1 &&
        !m_current.isOnLastPlaylistUrl()) {
        ++m_current.playlistIndex;
        playStation(m_current, Ask::No);
        return;
    }
    const bool reconnect = mayReconnect();
    stopPlayback(Ask::No);
    if (reconnect) {
        showError(tr("The station went off the air."), true);
        reconnectLater();
    }
}

void PlaybackController::onStreamPlaying() {
    if (!hasStream())
        return;
    const HeaderTags tags = m_engine->Tags();
    if (m_current.title.isEmpty())
        m_current.title = tags.m_name.isEmpty() ? m_engine->StationName() : tags.m_name;
    if (m_current.genre.isEmpty())
        m_current.genre = tags.m_genre;
    if (m_current.website.isEmpty())
        m_current.website = tags.m_url;
    m_current.stoppedByUser = false;
    m_reconnect->cancel();
    emit sig_stationShown(m_current);
    emit sig_stationPlaying(m_current);
    m_lastBitrate = m_engine->Bitrate();
    emit sig_streamInfo(streamInfoText());
    m_lastErrorText.clear();
    emit sig_errorCleared();
    emit sig_busyChanged(true);
    emit sig_status(tr("Playing"));
    applyVolume();
    // A title read before playback started raised its event early; show it now.
    if (m_songTitle.isEmpty() && !m_engine->CurrentSong().IsEmpty())
        onSongChanged();
}

void PlaybackController::onSongChanged() {
    const QString title = m_engine->CurrentSong().Text();
    if (title.contains(QLatin1String("<?xml")))
        return;
    m_songTitle = title;
    emit sig_songChanged(title);
    if (m_settings->LyricsPlugin() == QLatin1String("Versewell")) {
        QFile file(m_settings->dataFilePath(QStringLiteral("Versewell.txt")));
        if (file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
            file.write(title.toUtf8());
    }
    emit sig_remoteEvent(RemoteSong, title);
}

void PlaybackController::playOrStop() {
    if (currentUrl(m_current).isEmpty())
        return;
    if (hasStream() || isConnecting())
        stopPlayback(Ask::Yes);
    else
        playStation(m_current, Ask::Yes);
}

void PlaybackController::playLast() {
    m_current.stoppedByUser = false;
    playStation(m_current, Ask::Yes);
}

void PlaybackController::back() {
    if (m_current.sourceIndex <= 0)
        return;
    --m_current.sourceIndex;
    m_current.playlistUrls.reset();
    m_current.playlistIndex = 0;
    playStation(m_current, Ask::No);
}

void PlaybackController::forward() {
    if (m_current.sourceIndex + 1 >= m_current.sources.size())
        return;
    ++m_current.sourceIndex;
    m_current.playlistUrls.reset();
    m_current.playlistIndex = 0;
    playStation(m_current, Ask::No);
}

void PlaybackController::backPlaylist() {
    if (!m_current.playlistUrls || m_current.playlistIndex <= 0)
        return;
    --m_current.playlistIndex;
    playStation(m_current, Ask::No);
}

void PlaybackController::forwardPlaylist() {
    if (!m_current.playlistUrls || m_current.playlistIndex + 1 >= m_current.playlistUrls->size())
        return;
    ++m_current.playlistIndex;
    playStation(m_current, Ask::No);
}

void PlaybackController::playPlaylistEntry(const QString& url) {
    if (!m_current.playlistUrls)
        return;
    const qsizetype index = m_current.playlistUrls->indexOf(url);
    if (index < 0)
        return;
    if ((hasStream() || isConnecting()) && !stopPlayback(Ask::Yes))
        return;
    m_current.playlistIndex = int(index);
    m_current.stoppedByUser = false;
    startWorker(url);
    emit sig_remoteEvent(RemoteConnecting, QString());
}

void PlaybackController::setVolume(int volume) {
    const int v = std::clamp(volume, 0, 100);
    if (m_muted) {
        m_muted = false;
        if (hasStream())
            m_engine->SetMute(false, 0);
        emit sig_muteChanged(false);
    }
    m_volume = v;
    applyVolume();
    m_settings->setVolume(v);
    emit sig_volumeChanged(v);
}

void PlaybackController::toggleMute() {
    m_muted = !m_muted;
    if (hasStream())
        m_engine->SetMute(m_muted, 0);
    emit sig_muteChanged(m_muted);
}

void PlaybackController::setSleepTimer(int seconds, int action) {
    m_sleep->setEndAction(action);
    m_sleep->start(seconds);
}

int PlaybackController::sleepRemaining() const {
    return m_sleep->remaining();
}

void PlaybackController::displayTick() {
    if (++m_secondsCounter > 3600) {
        m_secondsCounter = 0;
        emit sig_hourlyCheck();
    }
    if (isActive()) {
        const int kbps = m_engine->Bitrate();
        const qint64 seconds = m_engine->SecondsPlaying();
        m_counters.tick(kbps, seconds);
        const bool data = kbps > 0;
        emit sig_countersChanged(
            data ? StatusCounters::byteText(m_counters.stationBytes()) : QString(),
            data ? StatusCounters::byteText(m_counters.totalBytes()) : QString(),
            StatusCounters::elapsedText(seconds),
            StatusCounters::elapsedText(
                m_engine->CurrentSong().m_time.isValid()
                    ? m_engine->CurrentSong().m_time.secsTo(QDateTime::currentDateTime())
                    : seconds));
        if (kbps != m_lastBitrate) {
            m_lastBitrate = kbps;
            emit sig_streamInfo(streamInfoText());
        }
    }
    // Only seconds of sound count: a paused, stalled or connecting stream keeps the timer.
    if (hasStream() && m_engine->IsPlaying() && m_sleep->tick()) {
        const int action = m_sleep->endAction();
        stopPlayback(Ask::No);
        emit sig_sleepExpired(action);
        return;
    }
    if (hasStream() && m_engine->LimitReached() && !sleepTimerEndsSoon())
        stopPlayback(Ask::No);
}

bool PlaybackController::sleepTimerEndsSoon() const {
    // A scheduled recording sets the sleep timer to its own length. The two count on different
    // timers, so the recording may reach its limit a tick or two earlier; that stop is left to
    // the sleep timer, which then also carries out its end action.
    return m_sleep->isRunning() && m_sleep->remaining() <= TimerSkewSeconds;
}
