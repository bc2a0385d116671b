#pragma once

// Where each web service of the cover-art lookup lives: one base address per service, the
// program's built-in addresses unless the configuration names others. The configuration text is
// a list of "service=address" entries separated by white space; an entry that is only an address
// stands for every service (a mirror or a test server that answers them all).
// Any thread; a plain value.

#include <QString>

class CoverArtHosts {
public:
    // The built-in addresses; services whose old addresses no longer answer keep them anyway.
    static CoverArtHosts Defaults();
    // The defaults with the configured entries applied; unknown service names are ignored.
    static CoverArtHosts FromConfiguration(const QString& text);

    QString m_store;         // the relay of the online music store (sources 1 to 6)
    QString m_imageSearch;   // sources 8 and 9
    QString m_musicDatabase; // source 10
    QString m_musicBrainz;   // recording search (source 12)
    QString m_coverArchive;  // the images of source 12
    QString m_iTunes;        // source 13
    QString m_lyrics;        // the lyrics site
    QString m_artistInfo;    // the music database's artist pages
    QString m_artistPage;    // the second artist-information site

private:
    void Set(const QString& service, const QString& address);
    void SetAll(const QString& address);
};
