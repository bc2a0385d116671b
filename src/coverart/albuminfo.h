#pragma once

// What a cover-art service knows about the album of a song: names, dates, the store's page, the
// image addresses and the track list (up to MAX_DISCS discs of MAX_TRACKS tracks).
// Any thread; a plain value owned by whoever holds it (the lookup keeps the current song's).

#include <QList>
#include <QString>
#include <QStringList>

class AlbumInfo {
public:
    static constexpr int MAX_DISCS = 5;
    static constexpr int MAX_TRACKS = 20;

    // Stores a track's title; false (and logged) for a disc or track number out of bounds.
    bool SetTrack(int nDisc, int nNumber, const QString& title);
    QString Track(int nDisc, int nNumber) const;
    int TrackCount(int nDisc) const;
    void Clear() { *this = AlbumInfo(); }
    // The address of the largest image named, else of the next smaller one.
    QString BestImageUrl() const;

    QString m_artist;
    QString m_album;
    QString m_releaseDate;
    QString m_price;
    QString m_detailPageUrl;
    QString m_smallImageUrl;
    QString m_mediumImageUrl;
    QString m_largeImageUrl;
    QString m_mbid;
    QString m_genre;
    QString m_previewUrl;

private:
    QList<QStringList> m_discs; // index: disc number; each holds MAX_TRACKS entries
};
