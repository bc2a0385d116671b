#include "bass/stream.h"

#include "bass/precondition.h"

#include <QDebug>
#include <QTimer>

namespace BASS {

Stream::Stream(QObject* parent)
    : BassQt(parent), m_http(new QT_EXT::QHttpExt(this)), m_httpStop(new QT_EXT::QHttpExt(this)) {
    connect(m_http, &QT_EXT::QHttpExt::sig_Finished, this, &Stream::slot_Ready);
    connect(m_httpStop, &QT_EXT::QHttpExt::sig_Finished, this, &Stream::slot_Ready);
}

Stream::~Stream() = default;

void Stream::Reset() {
    BassQt::Reset();
    m_playlistId = 0;
    m_stationUrlId = 0;
    m_lastId = 0;
    m_text.clear();
    m_errorText.clear();
}

bool Stream::downloadPlaylistFile(const QString& url) {
    BASS_REQUIRE(!url.isEmpty(), false);
    m_downloadUrl = url;
    QTimer::singleShot(100, this, &Stream::slot_downloadPlaylistFile);
    return true;
}

bool Stream::downloadStationURL(const QString& url) {
    BASS_REQUIRE(!url.isEmpty(), false);
    m_downloadUrl = url;
    QTimer::singleShot(100, this, &Stream::slot_downloadStationURL);
    return true;
}

void Stream::sendStopEvent(const QString& url) {
    qDebug() << "Stream::sendStopEvent " << url;
    m_httpStop->get(url, false);
}

void Stream::slot_downloadPlaylistFile() {
    qDebug() << "Stream::GetURLs " << m_downloadUrl;
    applyDownloadLimits();
    m_playlistId = m_http->get(m_downloadUrl.trimmed(), false);
}

void Stream::slot_downloadStationURL() {
    qDebug() << "Stream::GetURLs " << m_downloadUrl;
    applyDownloadLimits();
    m_stationUrlId = m_http->get(m_downloadUrl.trimmed(), false);
}

void Stream::applyDownloadLimits() {
    // A stalled server must not hold the connect for ever, and an address that is really an
    // endless stream must not fill the memory: the library's connection time-out and a size
    // no playlist reaches.
    m_http->setLimits(int(BASS_GetConfig(BASS_CONFIG_NET_TIMEOUT)), MaxPlaylistBytes);
}

void Stream::slot_Ready(const QT_EXT::QHttpExt::httpInfo* info) {
    if (!info)
        return;
    m_lastId = info->id;
    qDebug() << "Stream::requestFinished: " << info->id << info->error;
    if (info->error) {
        m_errorText = info->errorString.isEmpty() ? m_http->lastError() : info->errorString;
        QTimer::singleShot(100, this, &Stream::slot_StreamError);
        return;
    }
    m_text.clear();
    if (!info->data.isEmpty()) {
        m_text = info->id == m_playlistId ? QString::fromUtf8(info->data)
                                          : QString::fromLocal8Bit(info->data);
    }
    QTimer::singleShot(100, this, &Stream::slot_StreamReady);
}

void Stream::slot_StreamReady() {
    const int id = m_lastId;
    emit sig_StreamReady(this, id, m_text);
    if (m_playlistId == id)
        m_playlistId = 0;
    if (m_stationUrlId == id)
        m_stationUrlId = 0;
}

void Stream::slot_StreamError() {
    const int id = m_lastId;
    if (m_playlistId == id)
        m_playlistId = 0;
    if (m_stationUrlId == id)
        m_stationUrlId = 0;
    emit sig_StreamError(this, id, m_errorText);
}

} // namespace BASS
