#pragma once

// The engine with its downloads: fetches playlist files and station addresses over HTTP and
// hands the text back 100 ms later through sig_StreamReady / sig_StreamError.
// GUI thread (the HTTP client runs on its event loop); owned like CBass.

#include "bass/bassqt.h"
#include "qtext/qhttpext.h"

namespace BASS {

class Stream : public BassQt {
    Q_OBJECT
public:
    static constexpr qint64 MaxPlaylistBytes = 1 << 20;

    explicit Stream(QObject* parent = nullptr);
    ~Stream() override;

    void Reset() override;

    // Each requires a non-empty address and starts the download 100 ms later.
    virtual bool downloadPlaylistFile(const QString& url);
    virtual bool downloadStationURL(const QString& url);
    virtual void sendStopEvent(const QString& url);
    virtual bool IsDownloading() const { return m_playlistId != 0 || m_stationUrlId != 0; }

signals:
    void sig_StreamReady(BASS::Stream* stream, int id, QString text);
    void sig_StreamError(BASS::Stream* stream, int id, QString errorMess);

public slots:
    void slot_downloadPlaylistFile();
    void slot_downloadStationURL();
    void slot_Ready(const QT_EXT::QHttpExt::httpInfo* info);
    void slot_StreamReady();
    void slot_StreamError();

private:
    void applyDownloadLimits();

    QT_EXT::QHttpExt* m_http = nullptr;     // playlists and station addresses
    QT_EXT::QHttpExt* m_httpStop = nullptr; // stop notifications
    QString m_downloadUrl;
    int m_playlistId = 0;
    int m_stationUrlId = 0;
    int m_lastId = 0;
    QString m_text;
    QString m_errorText;
};

} // namespace BASS
