#pragma once

// The request a cover-art source answers: the song's artist and title cleaned of bracketed
// suffixes and encoded, put into the source's address template.
// Any thread; stateless.

#include "coverart/coverarthosts.h"

#include <QString>

class CoverArtRequest {
public:
    // The cover-art sources; 7 is not used.
    enum Source {
        SourceStoreFirst = 1, // stores US, UK, DE, FR, JP, CA up to SourceStoreLast
        SourceStoreLast = 6,
        SourceImageSearchSmall = 8,
        SourceImageSearch = 9,
        SourceMusicDatabase = 10,
        SourceCustom = 11,
        SourceMusicBrainz = 12,
        SourceITunes = 13,
    };
    static constexpr int DefaultSource = SourceITunes;

    struct Settings {
        CoverArtHosts hosts = CoverArtHosts::Defaults();
        QString customUrl;           // template with {1} (artist) and {2} (title)
        QString musicDatabaseApiKey; // 32 hexadecimal characters
    };

    static bool IsStore(int source) { return source >= SourceStoreFirst && source <= SourceStoreLast; }
    static bool IsKnown(int source);
    // "US" ... "CA" for the store sources, else empty.
    static QString StoreCode(int source);
    // "USA" ... "Canada", the image search's and the other services' names, for menus.
    static QString SourceName(int source);

    // An artist or title cut before a "[" or "(" that is not its first character, "`" made "'",
    // trimmed.
    static QString CleanPart(const QString& text);
    // The address asked for the song; empty when the source cannot be asked (no host, no key,
    // no custom template) or the song lacks its artist or its title.
    static QString Url(int source, const QString& artist, const QString& title,
                       const Settings& settings);
    // The store search's artwork address in 600 pixels instead of the 100 it names.
    static QString LargerArtwork(const QString& url);
    // The cover archive's front image of a release, in its 500-pixel size.
    static QString CoverArchiveUrl(const QString& releaseId, const Settings& settings);

private:
    static QString Template(int source, const Settings& settings);
    static QString Encoded(const QString& part);
};
