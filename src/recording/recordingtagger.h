#pragma once

// Tags of a finished recording, written with TagLib once the file is closed: artist and title
// of the song, the station as album, its genre, the day recorded as date and the stream's
// address as comment. ID3v2.4 in MP3 and ADTS AAC files, Vorbis comments in Ogg and FLAC, ASF
// attributes in WMA. Any thread; stateless.

#include <QDate>
#include <QString>

class RecordingTagger {
public:
    struct Tags {
        QString artist;
        QString title;
        QString station; // album
        QString genre;
        QDate date;
        QString url; // comment
    };

    // False when the file is missing or TagLib cannot write its kind; the audio is untouched
    // then.
    static bool Write(const QString& path, const Tags& tags);

private:
    static bool WriteMp3(const QString& path, const Tags& tags);
    static bool WriteAdts(const QString& path, const Tags& tags);
    static bool WriteGeneric(const QString& path, const Tags& tags);
};
