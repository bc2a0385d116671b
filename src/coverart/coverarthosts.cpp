#include "coverart/coverarthosts.h"

#include <QRegularExpression>
#include <QStringList>

#include <iterator>

namespace {

QString withoutTrailingSlash(QString address) {
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

} // namespace

CoverArtHosts CoverArtHosts::Defaults() {
    CoverArtHosts hosts;
    // The store relay, the lyrics site and the second artist page have no address that still
    // answers; they work once the configuration names one.
    hosts.m_imageSearch = QStringLiteral("http://ajax.googleapis.com");
    hosts.m_musicDatabase = QStringLiteral("http://ws.audioscrobbler.com");
    hosts.m_musicBrainz = QStringLiteral("https://musicbrainz.org");
    hosts.m_coverArchive = QStringLiteral("https://coverartarchive.org");
    hosts.m_iTunes = QStringLiteral("https://itunes.apple.com");
    hosts.m_artistInfo = QStringLiteral("https://www.last.fm");
    return hosts;
}

CoverArtHosts CoverArtHosts::FromConfiguration(const QString& text) {
    CoverArtHosts hosts = Defaults();
    const QStringList entries = text.split(QRegularExpression(QStringLiteral("\\s+")),
                                           Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const qsizetype equals = entry.indexOf(QLatin1Char('='));
        const qsizetype scheme = entry.indexOf(QStringLiteral("://"));
        // "=" inside an address (a query) does not make it a named entry.
        if (equals > 0 && (scheme < 0 || equals < scheme))
            hosts.Set(entry.left(equals).toLower(), withoutTrailingSlash(entry.mid(equals + 1)));
        else
            hosts.SetAll(withoutTrailingSlash(entry));
    }
    return hosts;
}

void CoverArtHosts::Set(const QString& service, const QString& address) {
    QString* const targets[] = {&m_store,        &m_imageSearch,  &m_musicDatabase,
                                &m_musicBrainz,  &m_coverArchive, &m_iTunes,
                                &m_lyrics,       &m_artistInfo,   &m_artistPage};
    static const char* const names[] = {"store",        "imagesearch", "musicdatabase",
                                        "musicbrainz",  "coverarchive", "itunes",
                                        "lyrics",       "artistinfo",  "artistpage"};
    for (size_t i = 0; i < std::size(names); ++i) {
        if (service == QLatin1String(names[i])) {
            *targets[i] = address;
            return;
        }
    }
}

void CoverArtHosts::SetAll(const QString& address) {
    m_store = m_imageSearch = m_musicDatabase = m_musicBrainz = m_coverArchive = m_iTunes =
        m_lyrics = m_artistInfo = m_artistPage = address;
}
