#pragma once

#include <QDateTime>
#include <QString>

namespace BASS {

// One song seen on a stream: artist, title and the texts that came with them. A value type
// copied between the engine's metadata handler and its readers under the metadata mutex; the
// engine owns its current and previous song.
class Song {
public:
    enum Status {
        StatusNone = 0,
        StatusBassError = 2,
        StatusTimedOut = 4,
        StatusStopped = 5,
        StatusBuffering = 6,
        StatusPlaying = 7,
        StatusPaused = 8,
        StatusFinished = 9,
        StatusRecording = 10,
        StatusRecorded = 11,
        StatusSkipped = 12,
        StatusFinished2 = 13
    };
    enum class Amps { Single, Doubled };
    enum class TimeForm { Short, Long };

    void Clear();
    void CopyFrom(const Song& other) { *this = other; }
    bool IsEmpty() const { return m_artist.isEmpty() && m_title.isEmpty(); }

    // "artist - title", or the artist alone; Doubled makes it safe as a menu label.
    QString Text(Amps amps = Amps::Single) const;
    // Splits "artist - title" at its first " - ".
    void SetText(const QString& text);
    // The title before a "(" or " '" suffix such as "(Radio Edit)".
    QString TitleWithoutSuffix() const;
    QString TimeText(TimeForm form = TimeForm::Short) const;
    QString StatusText() const { return StatusText(m_status); }
    static QString StatusText(int status);

    QString m_artist;
    QString m_title;
    QString m_streamUrl;
    QString m_extra;
    int m_kind = 0;
    int m_status = StatusNone;
    QDateTime m_time;
    QString m_fileName;
    QString m_stationName;
};

} // namespace BASS
