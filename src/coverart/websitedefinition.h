#pragma once

// A web site that has the lyrics of a song or the biography of an artist: its address template
// ("%artist%", "%title%") and the markers around the wanted text in its pages, with the readers
// that cut that text out.
// Any thread; a plain value.

#include <QString>

class WebSiteDefinition {
public:
    // Which built-in artist-information site: the music database's wiki or the artist page.
    enum class ArtistSite { MusicDatabaseWiki, ArtistPage };

    static WebSiteDefinition Lyrics(const QString& host);
    static WebSiteDefinition ArtistInfo(ArtistSite site, const QString& host);

    bool IsUsable() const { return !m_UrlTemplate.isEmpty() && !m_Start.isEmpty(); }
    // The template with the encoded artist and title filled in.
    QString Url(const QString& artist, const QString& title = QString()) const;
    // The text between the start marker and the next end marker (to the end of the page without
    // an end marker), trimmed; empty when the start marker is missing.
    QString Extract(const QString& page) const;
    // The biography of an artist page: the marked text without hidden parts, paragraphs as
    // line breaks.
    QString ExtractArtistInfo(const QString& page) const;
    // The target of a page that asks the browser to go elsewhere (meta refresh), else empty.
    static QString RefreshTarget(const QString& page);
    // The text shown when no biography was found: the artist and a link to a web search.
    static QString NothingFoundText(const QString& artist);

    QString m_UrlTemplate;
    QString m_Start;
    QString m_End;
    bool m_dropHiddenParts = false;
};
