#pragma once

// One connect at a time, without a window: an address that names a playlist is downloaded and
// read first, then the connect worker tries the candidate addresses in turn while a watchdog
// waits. Each connect's end is reported once; the end of a connect that a newer one replaced,
// and the answer of a playlist download that was given up, are ignored.
// GUI thread; owned by the window's playback controller or the command-line player. Owns the
// worker and the watchdog; the engine belongs to the owner and must outlive this object.

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

namespace BASS {
class BassQt;
class Stream;
class QtBassConnectThread;
} // namespace BASS

class ConnectController : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Connected, Failed, Aborted };
    Q_ENUM(Outcome)

    explicit ConnectController(BASS::Stream* engine, QObject* parent = nullptr);
    ~ConnectController() override;

    // How long each connect may run before sig_timedOut; 0: no watchdog.
    void setWatchdogMs(int ms) { m_watchdogMs = ms; }
    // A playlist address is downloaded (sig_playlistRead or sig_playlistFailed follow); any
    // other address goes to the worker at once.
    void open(const QString& url);
    // Starts the worker on the candidates; a connect still running is ended and replaced.
    void connectTo(const QStringList& urls);
    // Ends the connect in progress (its end is still reported, as aborted) and gives up a
    // playlist download; returns once the worker has stopped.
    void abort();
    bool isConnecting() const;
    bool isFetchingPlaylist() const { return !m_playlistUrl.isEmpty(); }

signals:
    void sig_playlistRequested(const QString& url);
    // The stream addresses of the downloaded playlist, in order; the owner connects to them.
    void sig_playlistRead(const QStringList& urls);
    // The download failed (the error text as the engine gives it) or the playlist is empty.
    void sig_playlistFailed(const QString& error);
    // The last connect started has ended.
    void sig_connectEnded(ConnectController::Outcome outcome);
    // The watchdog went off while the worker still had no stream; the worker runs on.
    void sig_timedOut();

private slots:
    void slot_playlistReady(BASS::Stream* stream, int id, const QString& text);
    void slot_playlistError(BASS::Stream* stream, int id, const QString& error);
    void slot_workerFinished(BASS::BassQt* stream);
    void slot_watchdog();

private:
    bool hasStream() const;
    void stopWorker();

    BASS::Stream* m_engine;
    BASS::QtBassConnectThread* m_worker;
    QTimer* m_watchdog;
    int m_watchdogMs = 0;
    // Connects started whose end has not arrived yet: the ends of replaced ones are queued
    // behind the newer start.
    int m_connectsRunning = 0;
    // The playlist being downloaded; empty when none is awaited.
    QString m_playlistUrl;
};
