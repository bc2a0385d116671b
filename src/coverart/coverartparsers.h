#pragma once

// Readers of the cover-art services' answers: the store's XML and its relay's own form, the
// music database's XML, the image search's JSON, the custom (store search) JSON and the
// recording search's JSON. Each fills an AlbumInfo and says whether an image address was found;
// an answer that is not of its format (an HTML page, a cut-off text) finds nothing.
// Any thread; stateless.

#include "coverart/albuminfo.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CoverArtParsers {
public:
    // A release that holds the recording, as the recording search names it.
    struct Release {
        QString id;
        QString album;
        QString date;
    };

    // Lower case without "," "." "'", "-" as a space, "&" as "and", without "the", "and" and
    // "with" as words, trimmed: names written differently only in these ways compare equal.
    static QString NormalizeArtist(const QString& artist);
    static bool SameArtist(const QString& a, const QString& b);

    // The store's item search answer: the first item with a detail page.
    static bool ParseAmazonService(const QByteArray& answer, AlbumInfo& info);
    // The relay's album list: the first album of the requested artist with an image.
    static bool ParseStarlingcast(const QByteArray& answer, const QString& artist,
                                  AlbumInfo& info);
    // The music database's track information: its album, when the artist is the requested one.
    static bool ParseLastFMImages(const QByteArray& answer, const QString& artist,
                                  AlbumInfo& info);
    // The image search's results: the first image.
    static bool ParseGoogleImages(const QByteArray& answer, AlbumInfo& info);
    // The store search's results: the first result, or with requireArtist the first by the
    // requested artist.
    static bool ParseCustomImages(const QByteArray& answer, AlbumInfo& info,
                                  const QString& requireArtist = QString());
    // The recording search: the releases of the recordings by the requested artist, albums
    // first, each release once.
    static QList<Release> ParseMusicBrainzRecordings(const QByteArray& answer,
                                                     const QString& artist, bool* ok);
};
