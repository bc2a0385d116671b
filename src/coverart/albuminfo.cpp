#include "coverart/albuminfo.h"

#include "bass/precondition.h"

bool AlbumInfo::SetTrack(int nDisc, int nNumber, const QString& title) {
    BASS_REQUIRE(nDisc >= 0 && nDisc < MAX_DISCS, false);
    BASS_REQUIRE(nNumber >= 0 && nNumber < MAX_TRACKS, false);
    while (m_discs.size() <= nDisc) {
        QStringList tracks;
        for (int i = 0; i < MAX_TRACKS; ++i)
            tracks.append(QString());
        m_discs.append(tracks);
    }
    m_discs[nDisc][nNumber] = title;
    return true;
}

QString AlbumInfo::Track(int nDisc, int nNumber) const {
    BASS_REQUIRE(nDisc >= 0 && nDisc < MAX_DISCS, QString());
    BASS_REQUIRE(nNumber >= 0 && nNumber < MAX_TRACKS, QString());
    if (nDisc >= m_discs.size())
        return {};
    return m_discs.at(nDisc).at(nNumber);
}

int AlbumInfo::TrackCount(int nDisc) const {
    if (nDisc < 0 || nDisc >= m_discs.size())
        return 0;
    int count = 0;
    for (const QString& title : m_discs.at(nDisc))
        count += title.isEmpty() ? 0 : 1;
    return count;
}

QString AlbumInfo::BestImageUrl() const {
    if (!m_largeImageUrl.isEmpty())
        return m_largeImageUrl;
    if (!m_mediumImageUrl.isEmpty())
        return m_mediumImageUrl;
    return m_smallImageUrl;
}
