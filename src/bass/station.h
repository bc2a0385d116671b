#pragma once

#include <QString>

namespace BASS {

// The engine's own view of the station being played: copied from the directory's record each
// time a station plays, and completed by the stream (bitrate check). Owned by the engine;
// guarded by its metadata mutex where the library threads read it.
struct Station {
    QString m_name;
    QString m_webSite;
    QString m_url;
    QString m_country; // selects the code page of non-UTF-8 metadata
    QString m_genre;
    int m_bitrate = 0; // kbit/s
    QString m_metaFormat;

    void Clear() { *this = Station(); }
};

} // namespace BASS
