#include "recording/connectcontroller.h"

#include "bass/playlistparser.h"
#include "bass/qtbassconnectthread.h"
#include "bass/stream.h"

#include <QTimer>

#include <utility>

using namespace BASS;

ConnectController::ConnectController(Stream* engine, QObject* parent)
    : QObject(parent), m_engine(engine), m_worker(new QtBassConnectThread(engine, this)),
      m_watchdog(new QTimer(this)) {
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, &ConnectController::slot_watchdog);
    connect(m_worker, &QtBassConnectThread::signal_Finished, this,
            &ConnectController::slot_workerFinished);
    connect(m_engine, &Stream::sig_StreamReady, this, &ConnectController::slot_playlistReady);
    connect(m_engine, &Stream::sig_StreamError, this, &ConnectController::slot_playlistError);
}

ConnectController::~ConnectController() {
    m_watchdog->stop();
    stopWorker();
}

bool ConnectController::isConnecting() const {
    return m_worker->isRunning();
}

bool ConnectController::hasStream() const {
    return m_engine->GetHandle() != 0;
}

void ConnectController::open(const QString& url) {
    if (!PlaylistParser::FetchesPlaylist(url)) {
        connectTo({url});
        return;
    }
    m_playlistUrl = url;
    m_engine->downloadPlaylistFile(url);
    emit sig_playlistRequested(url);
}

void ConnectController::connectTo(const QStringList& urls) {
    stopWorker();
    m_playlistUrl.clear();
    m_engine->SetURLs(urls);
    if (m_watchdogMs > 0)
        m_watchdog->start(m_watchdogMs);
    ++m_connectsRunning;
    m_worker->StartConnect();
}

void ConnectController::abort() {
    m_watchdog->stop();
    m_playlistUrl.clear();
    stopWorker();
}

void ConnectController::stopWorker() {
    // The abort ends a create within moments; the worker must be gone before it starts again.
    if (!m_worker->isRunning())
        return;
    m_worker->Abort();
    m_worker->wait();
}

void ConnectController::slot_playlistReady(Stream*, int, const QString& text) {
    if (m_playlistUrl.isEmpty())
        return;
    const QString url = std::exchange(m_playlistUrl, QString());
    if (text.isEmpty()) {
        emit sig_playlistFailed(tr("The playlist is empty"));
        return;
    }
    const QStringList urls = PlaylistParser::Candidates(text, url);
    // An ASX playlist without references, or one that names only itself, is opened by the
    // decoders from its own address: fetching it again would never end.
    if (urls == QStringList{url}) {
        connectTo(urls);
        return;
    }
    emit sig_playlistRead(urls);
}

void ConnectController::slot_playlistError(Stream*, int, const QString& error) {
    if (m_playlistUrl.isEmpty())
        return;
    m_playlistUrl.clear();
    emit sig_playlistFailed(error);
}

void ConnectController::slot_workerFinished(BassQt*) {
    if (--m_connectsRunning > 0 || m_worker->isRunning())
        return;
    m_watchdog->stop();
    if (m_worker->WasAborted())
        emit sig_connectEnded(Outcome::Aborted);
    else
        emit sig_connectEnded(hasStream() ? Outcome::Connected : Outcome::Failed);
}

void ConnectController::slot_watchdog() {
    if (isConnecting() && !hasStream())
        emit sig_timedOut();
}
