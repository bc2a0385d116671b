#include "coverart/coverart.h"

#include "bass/precondition.h"

#include <QDebug>
#include <QDir>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <utility>

CoverArt::CoverArt(QObject* parent)
    : QObject(parent), m_http(new CCoverArtHttp(this)), m_musicBrainzTimer(new QTimer(this)) {
    m_musicBrainzTimer->setSingleShot(true);
    connect(m_musicBrainzTimer, &QTimer::timeout, this, &CoverArt::slot_sendMusicBrainz);
    connect(m_http, &CCoverArtHttp::sig_Finished, this, &CoverArt::slot_coverArtFinished);
    SetCacheFolder(CoverCache::FolderIn(
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation))
            .filePath(QStringLiteral("Quillowave"))));
}

CoverArt::~CoverArt() = default;

QString CoverArt::StatusText(status value) {
    switch (value) {
    case StatusSearching:
        return tr("Searching for cover art...");
    case StatusFound:
        return tr("Cover art found");
    case StatusNotFound:
        return tr("Cover art not found");
    case StatusLyricsSearching:
        return tr("Searching for lyrics...");
    case StatusLyricsFound:
        return tr("Lyrics Found");
    case StatusLyricsNotFound:
        return tr("Lyrics not found");
    case StatusNone:
        break;
    }
    return {};
}

QString CoverArt::ServiceUserAgent(const QString& version) {
    return QStringLiteral("Quillowave/%1 ( https://quillowave.hollowmere.org )").arg(version);
}

void CoverArt::SetCacheFolder(const QString& folder) {
    m_cache = std::make_unique<CoverCache>(folder);
}

void CoverArt::SetStatus(status value) {
    m_status = value;
    emit sig_statusChanged(value);
}

void CoverArt::ForgetDownloads(coverArtType kind) {
    for (auto it = m_downloads.begin(); it != m_downloads.end();) {
        if (it->kind == kind)
            it = m_downloads.erase(it);
        else
            ++it;
    }
}

void CoverArt::Send(const QString& url, const DownloadInfo& download, qint64 maxBytes,
                    const QString& agent) {
    const int id = m_http->get(url, QString(), agent, maxBytes);
    if (id == 0) {
        if (download.kind == TypeCoverArt)
            CoverNotFound();
        else if (download.kind == TypeLyrics)
            SetStatus(StatusLyricsNotFound);
        else
            ArtistInfoDone(QString());
        return;
    }
    m_downloads.insert(id, download);
}

void CoverArt::RequestCoverArt(const QString& artist, const QString& title, int source) {
    ForgetDownloads(TypeCoverArt);
    m_musicBrainzUrl.clear();
    m_releases.clear();
    m_releasesTried = 0;
    m_album.Clear();
    m_coverFile.clear();
    m_artist = artist.trimmed();
    m_title = title.trimmed();
    SetStatus(StatusSearching);
    // A text without an artist is most often the station's slogan: its cover would be a guess.
    if (m_artist.isEmpty() || m_title.isEmpty()) {
        CoverNotFound();
        return;
    }
    const QString cached = m_cache->Find(CoverCache::Key(m_artist, m_title));
    if (!cached.isEmpty()) {
        m_album.m_artist = m_artist;
        m_coverFile = cached;
        SetStatus(StatusFound);
        emit sig_coverArtProcess(TypeCoverArt);
        return;
    }
    const QString url = CoverArtRequest::Url(source, m_artist, m_title, m_settings);
    qDebug().noquote() << "CoverArt::RequestCoverArt" << source << url;
    if (url.isEmpty()) {
        CoverNotFound();
        return;
    }
    if (source != CoverArtRequest::SourceMusicBrainz) {
        Send(url, {TypeCoverArt, source, Stage::Search}, CCoverArtHttp::DefaultMaxBytes);
        return;
    }
    m_musicBrainzUrl = url;
    const qint64 waitMs = m_musicBrainzClock.isValid()
                              ? MusicBrainzIntervalMs - m_musicBrainzClock.elapsed()
                              : 0;
    if (waitMs > 0)
        m_musicBrainzTimer->start(int(waitMs));
    else
        slot_sendMusicBrainz();
}

void CoverArt::slot_sendMusicBrainz() {
    if (m_musicBrainzUrl.isEmpty())
        return;
    m_musicBrainzClock.start();
    Send(std::exchange(m_musicBrainzUrl, QString()),
         {TypeCoverArt, CoverArtRequest::SourceMusicBrainz, Stage::Search},
         CCoverArtHttp::DefaultMaxBytes, m_serviceAgent);
}

void CoverArt::Cancel() {
    ForgetDownloads(TypeCoverArt);
    m_musicBrainzUrl.clear();
    m_musicBrainzTimer->stop();
    m_releases.clear();
    m_album.Clear();
    m_coverFile.clear();
    m_artist.clear();
    m_title.clear();
    if (m_status != StatusNone)
        SetStatus(StatusNone);
}

QString CoverArt::GetCoverArtFile() const {
    qDebug().noquote() << "CoverArt::GetCoverArtFile()" << m_album.BestImageUrl() << m_coverFile;
    return m_coverFile;
}

void CoverArt::slot_coverArtFinished(const CCoverArtHttp::httpInfo* info) {
    const auto found = m_downloads.constFind(info->id);
    if (found == m_downloads.cend()) {
        qDebug() << "DownloadInfo not found for http id " << info->id;
        return;
    }
    const DownloadInfo download = *found;
    m_downloads.erase(found);
    switch (download.stage) {
    case Stage::Search:
        if (info->error) {
            qDebug().noquote() << "slot_coverArtFinished Error: " + info->errorText;
            CoverNotFound();
            return;
        }
        ParseCoverArt(*info, download);
        return;
    case Stage::Image:
        ImageArrived(*info, download);
        return;
    case Stage::Lyrics:
        LyricsArrived(*info);
        return;
    case Stage::ArtistInfo:
        ArtistInfoArrived(*info);
        return;
    }
}

void CoverArt::ParseCoverArt(const CCoverArtHttp::httpInfo& info, const DownloadInfo& download) {
    SetStatus(StatusSearching);
    const int source = download.source;
    qDebug() << "CoverArt::ParseCoverArt id,country " << info.id << source;
    AlbumInfo album;
    bool found = false;
    if (CoverArtRequest::IsStore(source)) {
        found = info.data.contains("<Item")
                    ? CoverArtParsers::ParseAmazonService(info.data, album)
                    : CoverArtParsers::ParseStarlingcast(info.data, m_artist, album);
    } else if (source == CoverArtRequest::SourceImageSearchSmall ||
               source == CoverArtRequest::SourceImageSearch) {
        found = CoverArtParsers::ParseGoogleImages(info.data, album);
    } else if (source == CoverArtRequest::SourceMusicDatabase) {
        found = CoverArtParsers::ParseLastFMImages(info.data, m_artist, album);
    } else if (source == CoverArtRequest::SourceCustom) {
        found = CoverArtParsers::ParseCustomImages(info.data, album);
    } else if (source == CoverArtRequest::SourceITunes) {
        found = CoverArtParsers::ParseCustomImages(info.data, album, m_artist);
        album.m_largeImageUrl = CoverArtRequest::LargerArtwork(album.m_largeImageUrl);
    } else if (source == CoverArtRequest::SourceMusicBrainz) {
        bool ok = false;
        m_releases = CoverArtParsers::ParseMusicBrainzRecordings(info.data, m_artist, &ok);
        TryNextRelease();
        return;
    }
    if (!found) {
        CoverNotFound();
        return;
    }
    m_album = album;
    FetchImage(m_album.BestImageUrl(), source);
}

void CoverArt::FetchImage(const QString& url, int source) {
    Send(url, {TypeCoverArt, source, Stage::Image}, MaxImageBytes);
}

void CoverArt::TryNextRelease() {
    if (m_releases.isEmpty() || m_releasesTried >= MaxReleasesTried) {
        CoverNotFound();
        return;
    }
    const CoverArtParsers::Release release = m_releases.takeFirst();
    ++m_releasesTried;
    m_album.Clear();
    m_album.m_artist = m_artist;
    m_album.m_album = release.album;
    m_album.m_releaseDate = release.date;
    m_album.m_mbid = release.id;
    m_album.m_largeImageUrl = CoverArtRequest::CoverArchiveUrl(release.id, m_settings);
    FetchImage(m_album.m_largeImageUrl, CoverArtRequest::SourceMusicBrainz);
}

void CoverArt::ImageArrived(const CCoverArtHttp::httpInfo& info, const DownloadInfo& download) {
    const QString file =
        info.error ? QString() : m_cache->Store(CoverCache::Key(m_artist, m_title), info.data);
    if (file.isEmpty()) {
        qDebug().noquote() << "CoverArt::ImageArrived no image from" << info.url << info.errorText;
        if (download.source == CoverArtRequest::SourceMusicBrainz)
            TryNextRelease();
        else
            CoverNotFound();
        return;
    }
    m_coverFile = file;
    SetStatus(StatusFound);
    emit sig_coverArtProcess(TypeCoverArt);
}

void CoverArt::CoverNotFound() {
    m_coverFile.clear();
    m_releases.clear();
    SetStatus(StatusNotFound);
}

void CoverArt::RequestLyrics(const QString& artist, const QString& title) {
    ForgetDownloads(TypeLyrics);
    m_lyrics.clear();
    SetStatus(StatusLyricsSearching);
    const WebSiteDefinition site = WebSiteDefinition::Lyrics(m_settings.hosts.m_lyrics);
    BASS_REQUIRE_TEXT(site.IsUsable(), "!m_WebSiteLyrics.isEmpty()",
                      SetStatus(StatusLyricsNotFound));
    Send(site.Url(CoverArtRequest::CleanPart(artist), CoverArtRequest::CleanPart(title)),
         {TypeLyrics, 0, Stage::Lyrics}, CCoverArtHttp::DefaultMaxBytes);
}

void CoverArt::LyricsArrived(const CCoverArtHttp::httpInfo& info) {
    const WebSiteDefinition site = WebSiteDefinition::Lyrics(m_settings.hosts.m_lyrics);
    m_lyrics = info.error ? QString() : site.Extract(QString::fromUtf8(info.data));
    if (m_lyrics.isEmpty()) {
        SetStatus(StatusLyricsNotFound);
        return;
    }
    SetStatus(StatusLyricsFound);
    emit sig_coverArtProcess(TypeLyrics);
}

void CoverArt::RequestArtistInfo(const QString& artist) {
    ForgetDownloads(TypeArtistInfo);
    m_artistInfo.clear();
    m_infoArtist = CoverArtRequest::CleanPart(artist);
    m_artistInfoRedirected = false;
    const WebSiteDefinition site = WebSiteDefinition::ArtistInfo(
        m_artistSite, m_artistSite == WebSiteDefinition::ArtistSite::MusicDatabaseWiki
                          ? m_settings.hosts.m_artistInfo
                          : m_settings.hosts.m_artistPage);
    BASS_REQUIRE_TEXT(site.IsUsable() && !m_infoArtist.isEmpty(), "!m_WebSiteArtistInfo.isEmpty()",
                      ArtistInfoDone(QString()));
    Send(site.Url(m_infoArtist), {TypeArtistInfo, 0, Stage::ArtistInfo},
         CCoverArtHttp::DefaultMaxBytes);
}

void CoverArt::ArtistInfoArrived(const CCoverArtHttp::httpInfo& info) {
    const QString page = info.error ? QString() : QString::fromUtf8(info.data);
    const QString target = WebSiteDefinition::RefreshTarget(page);
    if (!target.isEmpty() && !m_artistInfoRedirected) {
        qDebug() << "Artist Info Redirecting...";
        m_artistInfoRedirected = true;
        Send(QUrl(info.url).resolved(QUrl(target)).toString(),
             {TypeArtistInfo, 0, Stage::ArtistInfo}, CCoverArtHttp::DefaultMaxBytes);
        return;
    }
    const WebSiteDefinition site = WebSiteDefinition::ArtistInfo(m_artistSite, QString());
    ArtistInfoDone(site.ExtractArtistInfo(page));
}

void CoverArt::ArtistInfoDone(const QString& text) {
    m_artistInfo = text.isEmpty() ? WebSiteDefinition::NothingFoundText(m_infoArtist) : text;
    emit sig_coverArtProcess(TypeArtistInfo);
}
