#pragma once

// Paths of recorded files: the file-name pattern with its placeholders, each part made a safe,
// non-empty file name of at most 255 bytes that stays inside the recording folder, and the
// number added so that no existing file is overwritten. Any thread; stateless.

#include <QDateTime>
#include <QString>

class RecordingNames {
public:
    // What the placeholders of a pattern stand for.
    struct Fields {
        QString station; // %station%
        QString artist;  // %artist%
        QString title;   // %title%
        QString url;     // %url%
        QDateTime time;  // %date% and %time%, and the name of a song without one
        bool split = true;
    };

    static QString DefaultPattern() { return QStringLiteral("%station%/%track%"); }

    // Longest station folder name, and longest song name, in characters.
    static constexpr int MaxStationChars = 50;
    static constexpr int MaxTrackChars = 100;
    // A name of this many characters or fewer says too little: the date and time name it.
    static constexpr int MinTrackChars = 5;

    // The station's folder name: the header name unless it is empty or longer than 100
    // characters, then the station record's name, then "No Name Station"; cut to 50
    // characters; without ".", "(" and ")".
    static QString StationName(const QString& headerName, const QString& recordName);
    // "Artist - Title" (or the artist alone) while splitting, cut to 100 characters; the date
    // and time when that is empty or at most 5 characters long.
    static QString TrackName(const Fields& fields);
    // "04.Dec.2026_21.05" for the given local time.
    static QString DateTimeName(const QDateTime& time);

    // One component of a path: the program's valid file name, without control characters
    // (NUL included), leading dots and spaces and trailing dots and spaces, cut to fit 255
    // bytes with room for a number and an extension. May be empty.
    static QString Component(const QString& text);

    // The pattern expanded below folder, without extension: "/" and "\" in the pattern separate
    // folders, the values never do. An empty last part becomes the date and time name.
    static QString PatternPath(const QString& folder, const QString& pattern, const Fields& fields);

    // path + extension, or path + " (n)" + extension with the first n that names no file.
    static QString FreePath(const QString& path, const QString& extension);

private:
    static QString Expand(const QString& part, const Fields& fields);
};
