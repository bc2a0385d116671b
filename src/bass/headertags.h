#pragma once

#include <QString>
#include <QStringList>

namespace BASS {

// What the stream's response headers (ICY/HTTP lines or Windows Media header values) said about
// the station. Filled on the download and sync threads under the engine's metadata mutex;
// owned by the engine, cleared on reset.
struct HeaderTags {
    QString m_raw;
    QStringList m_lines; // every header line received, in order
    QString m_name;
    QString m_url;
    QString m_genre;
    QString m_bitrate;
    QString m_duration;
    QString m_copyright;
    QString m_title;
    QString m_name2;
    QString m_author;
    QString m_seekable;
    QString m_stridable;
    QString m_broadcast;
    QString m_protected;
    QString m_trusted;

    void Clear() { *this = HeaderTags(); }
    int Bitrate() const { return m_bitrate.trimmed().toInt(); }
};

} // namespace BASS
