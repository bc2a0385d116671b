#pragma once

// The cover of the song playing, and on request its lyrics and the artist's biography: forms the
// chosen source's request, reads its answer, fetches and checks the image and keeps it in the
// cover cache. One lookup per kind at a time: a new song replaces the download records, so an
// answer for an earlier song finds no record and is dropped, and no cover of another song is
// ever reported. The recording search is asked at most once a second, as that service requires.
// GUI thread; owned by the engine object (BassQt).

#include "coverart/albuminfo.h"
#include "coverart/ccoverarthttp.h"
#include "coverart/coverartparsers.h"
#include "coverart/coverartrequest.h"
#include "coverart/covercache.h"
#include "coverart/websitedefinition.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

#include <memory>

class QTimer;

class CoverArt : public QObject {
    Q_OBJECT
public:
    enum status {
        StatusNone = 0,
        StatusSearching = 1,
        StatusFound = 2,
        StatusNotFound = 3,
        StatusLyricsSearching = 4,
        StatusLyricsFound = 5,
        StatusLyricsNotFound = 6
    };
    Q_ENUM(status)
    enum coverArtType { TypeCoverArt = 1, TypeLyrics = 2, TypeArtistInfo = 3 };
    Q_ENUM(coverArtType)

    static constexpr qint64 MaxImageBytes = 4 * 1024 * 1024;
    static constexpr int MusicBrainzIntervalMs = 1000;
    // Releases whose front cover is asked for before the search gives up.
    static constexpr int MaxReleasesTried = 3;

    explicit CoverArt(QObject* parent = nullptr);
    ~CoverArt() override;

    static QString StatusText(status value);
    // The agent the recording search wants: program, version and where to learn about it.
    static QString ServiceUserAgent(const QString& version);

    void SetSettings(const CoverArtRequest::Settings& settings) { m_settings = settings; }
    const CoverArtRequest::Settings& Settings() const { return m_settings; }
    void SetCustomURL(const QString& url) { m_settings.customUrl = url; }
    void SetSource(int source) { m_source = source; }
    int Source() const { return m_source; }
    void SetCacheFolder(const QString& folder);
    QString CacheFolder() const { return m_cache ? m_cache->Folder() : QString(); }
    void SetServiceUserAgent(const QString& agent) { m_serviceAgent = agent; }
    void SetArtistSite(WebSiteDefinition::ArtistSite site) { m_artistSite = site; }
    void SetTimeoutMs(int timeoutMs) { m_http->setTimeoutMs(timeoutMs); }

    void RequestCoverArt(const QString& artist, const QString& title, int source);
    void RequestCoverArt(const QString& artist, const QString& title) {
        RequestCoverArt(artist, title, m_source);
    }
    void RequestLyrics(const QString& artist, const QString& title);
    void RequestArtistInfo(const QString& artist);
    // Forgets the current song's cover and drops every cover answer still to come.
    void Cancel();

    QString GetCoverArtFile() const;
    const AlbumInfo& GetAlbumInfo() const { return m_album; }
    QString GetLyrics() const { return m_lyrics; }
    QString GetArtistInfo() const { return m_artistInfo; }
    QString Artist() const { return m_artist; }
    QString Title() const { return m_title; }
    status Status() const { return m_status; }
    CCoverArtHttp* Http() const { return m_http; }

signals:
    void sig_statusChanged(CoverArt::status value);
    void sig_coverArtProcess(CoverArt::coverArtType type);

private slots:
    void slot_coverArtFinished(const CCoverArtHttp::httpInfo* info);
    void slot_sendMusicBrainz();

private:
    enum class Stage { Search, Image, Lyrics, ArtistInfo };
    struct DownloadInfo {
        coverArtType kind = TypeCoverArt;
        int source = 0;
        Stage stage = Stage::Search;
    };

    void Send(const QString& url, const DownloadInfo& download, qint64 maxBytes,
              const QString& agent = QString());
    void ForgetDownloads(coverArtType kind);
    void SetStatus(status value);
    void ParseCoverArt(const CCoverArtHttp::httpInfo& info, const DownloadInfo& download);
    void FetchImage(const QString& url, int source);
    void TryNextRelease();
    void ImageArrived(const CCoverArtHttp::httpInfo& info, const DownloadInfo& download);
    void CoverNotFound();
    void LyricsArrived(const CCoverArtHttp::httpInfo& info);
    void ArtistInfoArrived(const CCoverArtHttp::httpInfo& info);
    void ArtistInfoDone(const QString& text);

    CCoverArtHttp* m_http;
    std::unique_ptr<CoverCache> m_cache;
    CoverArtRequest::Settings m_settings;
    int m_source = CoverArtRequest::DefaultSource;
    QString m_serviceAgent;
    WebSiteDefinition::ArtistSite m_artistSite = WebSiteDefinition::ArtistSite::MusicDatabaseWiki;
    status m_status = StatusNone;
    QHash<int, DownloadInfo> m_downloads; // by request id

    // The song whose cover is looked up or shown.
    QString m_artist;
    QString m_title;
    AlbumInfo m_album;
    QString m_coverFile;
    QList<CoverArtParsers::Release> m_releases; // releases still to try for a front cover
    int m_releasesTried = 0;

    QString m_lyrics;
    QString m_artistInfo;
    QString m_infoArtist;
    bool m_artistInfoRedirected = false;

    // The recording search waits for its turn here.
    QElapsedTimer m_musicBrainzClock;
    QTimer* m_musicBrainzTimer;
    QString m_musicBrainzUrl;
};
