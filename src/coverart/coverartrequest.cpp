#include "coverart/coverartrequest.h"

#include <QCoreApplication>
#include <QUrl>

namespace {

const char* const StoreCodes[] = {"US", "UK", "DE", "FR", "JP", "CA"};
const char* const StoreNames[] = {QT_TRANSLATE_NOOP("CoverArt", "USA"),
                                  QT_TRANSLATE_NOOP("CoverArt", "United Kingdom"),
                                  QT_TRANSLATE_NOOP("CoverArt", "Germany"),
                                  QT_TRANSLATE_NOOP("CoverArt", "France"),
                                  QT_TRANSLATE_NOOP("CoverArt", "Japan"),
                                  QT_TRANSLATE_NOOP("CoverArt", "Canada")};

QString cutBefore(const QString& text, QChar mark) {
    const qsizetype at = text.indexOf(mark);
    return at > 0 ? text.left(at) : text;
}

} // namespace

bool CoverArtRequest::IsKnown(int source) {
    return IsStore(source) || (source >= SourceImageSearchSmall && source <= SourceITunes);
}

QString CoverArtRequest::StoreCode(int source) {
    return IsStore(source) ? QString::fromLatin1(StoreCodes[source - SourceStoreFirst]) : QString();
}

QString CoverArtRequest::SourceName(int source) {
    if (IsStore(source))
        return QCoreApplication::translate("CoverArt", StoreNames[source - SourceStoreFirst]);
    switch (source) {
    case SourceImageSearchSmall:
        return QCoreApplication::translate("CoverArt", "Google (small images)");
    case SourceImageSearch:
        return QCoreApplication::translate("CoverArt", "Google");
    case SourceMusicDatabase:
        return QCoreApplication::translate("CoverArt", "Last.fm");
    case SourceCustom:
        return QCoreApplication::translate("CoverArt", "Custom address");
    case SourceMusicBrainz:
        return QCoreApplication::translate("CoverArt", "MusicBrainz and Cover Art Archive");
    case SourceITunes:
        return QCoreApplication::translate("CoverArt", "iTunes");
    default:
        return {};
    }
}

QString CoverArtRequest::CleanPart(const QString& text) {
    QString part = cutBefore(cutBefore(text, QLatin1Char('[')), QLatin1Char('('));
    part.replace(QLatin1Char('`'), QLatin1Char('\''));
    return part.trimmed();
}

QString CoverArtRequest::Encoded(const QString& part) {
    return QString::fromLatin1(QUrl::toPercentEncoding(part));
}

QString CoverArtRequest::Template(int source, const Settings& settings) {
    const CoverArtHosts& hosts = settings.hosts;
    if (IsStore(source))
        return hosts.m_store.isEmpty()
                   ? QString()
                   : hosts.m_store + QStringLiteral("/cover_search_host.php?artist={1}&title={2}"
                                                    "&dest={3}&dom=amazon&format=xml");
    switch (source) {
    case SourceImageSearchSmall:
    case SourceImageSearch:
        if (hosts.m_imageSearch.isEmpty())
            return {};
        return hosts.m_imageSearch +
               QStringLiteral("/ajax/services/search/images?v=1.0&q={2}&start=1&filter=0&rsz=8") +
               (source == SourceImageSearchSmall ? QStringLiteral("&imgsz=small") : QString());
    case SourceMusicDatabase:
        if (hosts.m_musicDatabase.isEmpty() || settings.musicDatabaseApiKey.isEmpty())
            return {};
        return hosts.m_musicDatabase + QStringLiteral("/2.0/?method=track.getinfo&api_key=") +
               Encoded(settings.musicDatabaseApiKey) + QStringLiteral("&artist={1}&track={2}");
    case SourceCustom:
        return settings.customUrl;
    case SourceMusicBrainz:
        if (hosts.m_musicBrainz.isEmpty() || hosts.m_coverArchive.isEmpty())
            return {};
        return hosts.m_musicBrainz +
               QStringLiteral("/ws/2/recording/?query=recording:%22{2}%22 AND artist:%22{1}%22"
                              "&fmt=json&limit=10");
    case SourceITunes:
        if (hosts.m_iTunes.isEmpty())
            return {};
        return hosts.m_iTunes + QStringLiteral("/search?term={1} {2}&media=music&entity=song"
                                               "&limit=10");
    default:
        return {};
    }
}

QString CoverArtRequest::Url(int source, const QString& artist, const QString& title,
                             const Settings& settings) {
    QString cleanArtist = CleanPart(artist);
    QString cleanTitle = CleanPart(title);
    if (source == SourceMusicBrainz) {
        // A quote or backslash would end the search service's phrase early.
        for (QString* part : {&cleanArtist, &cleanTitle})
            part->remove(QLatin1Char('"')).remove(QLatin1Char('\\'));
    }
    if (cleanArtist.isEmpty() || cleanTitle.isEmpty())
        return {};
    QString url = Template(source, settings);
    if (url.isEmpty())
        return {};
    url.replace(QLatin1Char(' '), QLatin1Char('+'));
    url.remove(QStringLiteral("&#"));
    const QString encodedArtist = Encoded(cleanArtist);
    const QString encodedTitle = Encoded(cleanTitle);
    if (source == SourceImageSearchSmall || source == SourceImageSearch) {
        url.replace(QStringLiteral("{2}"), encodedArtist + QStringLiteral("+-+") + encodedTitle);
        return url;
    }
    url.replace(QStringLiteral("{1}"), encodedArtist);
    url.replace(QStringLiteral("{2}"), encodedTitle);
    url.replace(QStringLiteral("{3}"), StoreCode(source));
    return url;
}

QString CoverArtRequest::CoverArchiveUrl(const QString& releaseId, const Settings& settings) {
    if (releaseId.isEmpty() || settings.hosts.m_coverArchive.isEmpty())
        return {};
    return settings.hosts.m_coverArchive + QStringLiteral("/release/") + Encoded(releaseId) +
           QStringLiteral("/front-500");
}

QString CoverArtRequest::LargerArtwork(const QString& url) {
    QString larger = url;
    larger.replace(QStringLiteral("/100x100bb."), QStringLiteral("/600x600bb."));
    return larger;
}
