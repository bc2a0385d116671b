#include "cli/cliplayer.h"

#include "bass/bassevents.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using namespace BASS;

CliPlayer::CliPlayer(const Options& options, QObject* parent)
    : QObject(parent), m_options(options), m_engine(new AppStream(this)),
      m_connect(new ConnectController(m_engine, this)), m_out(stdout) {
    m_connect->setWatchdogMs(m_options.watchdogSeconds * 2000);
    m_engine->SetUserPrompt(this);
    connect(m_engine, &BassQt::sig_bassEvent, this, &CliPlayer::slot_bassEvent);
    connect(m_engine, &AppStream::signal_Timeout, this, &CliPlayer::slot_stalledTooLong);
    connect(m_connect, &ConnectController::sig_playlistRequested, this,
            [this](const QString& url) { Print(QStringLiteral("playlist %1").arg(url)); });
    connect(m_connect, &ConnectController::sig_playlistRead, this, &CliPlayer::slot_playlistRead);
    connect(m_connect, &ConnectController::sig_playlistFailed, this,
            &CliPlayer::slot_playlistFailed);
    connect(m_connect, &ConnectController::sig_connectEnded, this, &CliPlayer::slot_connectEnded);
    connect(m_connect, &ConnectController::sig_timedOut, this, &CliPlayer::slot_timedOut);
}

CliPlayer::~CliPlayer() {
    m_connect->abort();
    m_engine->Stop(0);
}

CliPlayer::Answer CliPlayer::question(const QString& title, const QString& text) {
    error(title, text);
    return Answer::No;
}

void CliPlayer::information(const QString& title, const QString& text) {
    error(title, text);
}

void CliPlayer::error(const QString& title, const QString& text) {
    Print(title + QStringLiteral(": ") + text);
}

bool CliPlayer::controlHeld() const {
    return false;
}

void CliPlayer::openUrl(const QUrl& url) {
    Print(url.toString());
}

QString CliPlayer::EventName(uint msg) {
    switch (msg) {
    case EVENT_STALL:
        return QStringLiteral("stall");
    case EVENT_META_CHANGED:
        return QStringLiteral("meta");
    case EVENT_RECORD_STOPPED:
        return QStringLiteral("record stopped");
    case EVENT_STREAM_END:
        return QStringLiteral("end");
    case EVENT_WRITE_FAILED:
        return QStringLiteral("write failed");
    case EVENT_CONNECT_ABORTED:
        return QStringLiteral("aborted");
    case EVENT_CONNECTING:
        return QStringLiteral("connecting");
    case EVENT_PLAYING:
        return QStringLiteral("playing");
    case EVENT_STOPPED:
        return QStringLiteral("stopped");
    default:
        return QStringLiteral("event 0x%1").arg(msg, 0, 16);
    }
}

void CliPlayer::Start() {
    m_clock.start();
    Station station;
    station.m_url = m_options.url;
    m_engine->SetStation(station);
    m_connect->open(m_options.url);
}

void CliPlayer::slot_playlistRead(const QStringList& urls) {
    Print(QStringLiteral("candidates %1").arg(urls.join(u' ')));
    m_connect->connectTo(urls);
}

void CliPlayer::slot_playlistFailed(const QString& error) {
    Print(QStringLiteral("error: %1").arg(error));
    Finish(ExitDownload);
}

void CliPlayer::slot_bassEvent(BassQt*, uint msg, uint param) {
    switch (msg) {
    case EVENT_CONNECTING:
        Print(QStringLiteral("connecting kind %1").arg(param));
        break;
    case EVENT_PLAYING:
        Print(QStringLiteral("playing %1").arg(m_engine->ConnectedURL()));
        Print(QStringLiteral("station %1").arg(m_engine->HeaderName()));
        Print(QStringLiteral("format %1, %2")
                  .arg(m_engine->StreamFormatText(), m_engine->BitrateText()));
        Print(QStringLiteral("prebuffer %1 ms").arg(m_engine->LastPrebufferMs()));
        m_playing.start();
        if (m_options.seconds > 0)
            QTimer::singleShot(m_options.seconds * 1000, this, &CliPlayer::slot_timeUp);
        break;
    case EVENT_META_CHANGED:
        Print(QStringLiteral("song %1").arg(m_engine->CurrentSong().Text()));
        break;
    case EVENT_STALL:
        Print(param == 0 ? QStringLiteral("stall") : QStringLiteral("resumed"));
        break;
    case EVENT_STREAM_END:
        Print(EventName(msg));
        StreamEnded();
        break;
    default:
        Print(EventName(msg));
        break;
    }
}

void CliPlayer::slot_connectEnded(ConnectController::Outcome outcome) {
    if (m_finishing || outcome != ConnectController::Outcome::Failed)
        return;
    Print(QStringLiteral("error: %1").arg(ConnectError()));
    Finish(ExitConnect);
}

QString CliPlayer::ConnectError() const {
    const QString reason = m_engine->LastErrorText();
    const QStringList lines = m_engine->Tags().m_lines;
    if (lines.isEmpty())
        return reason;
    return QStringLiteral("%1 (%2)").arg(reason, lines.constFirst());
}

void CliPlayer::StreamEnded() {
    // Without --seconds the end of the stream is what was asked for; before them it is a drop.
    if (m_options.seconds > 0 && m_playing.isValid() && m_playing.elapsed() < m_options.seconds * 1000) {
        Print(QStringLiteral("error: the stream ended after %1 s").arg(m_playing.elapsed() / 1000));
        Finish(ExitDropped);
        return;
    }
    Finish(ExitOk);
}

void CliPlayer::slot_timedOut() {
    Print(QStringLiteral("error: %1").arg(tr("Connection timed out")));
    m_finishing = true;
    Finish(ExitTimeout);
}

void CliPlayer::slot_timeUp() {
    Finish(ExitOk);
}

void CliPlayer::slot_stalledTooLong() {
    Print(QStringLiteral("error: no data for %1 seconds").arg(AppStream::StallTimeoutSeconds));
    Finish(ExitTimeout);
}

void CliPlayer::Print(const QString& line) {
    m_out << QStringLiteral("[%1] ").arg(m_clock.elapsed() / 1000.0, 8, 'f', 3) << line << Qt::endl;
}

void CliPlayer::Finish(int code) {
    m_finishing = true;
    m_connect->abort();
    m_engine->Stop(0);
    Print(QStringLiteral("elapsed %1 s, %2 bytes")
              .arg(m_engine->SecondsPlaying())
              .arg(m_engine->BytesDownloaded()));
    QCoreApplication::exit(code);
}
