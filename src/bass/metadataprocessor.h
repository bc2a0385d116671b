#pragma once

#include "bass/rawtitle.h"
#include "bass/song.h"

#include <QString>

namespace BASS {

// Turns the raw title of a metadata block into a clean artist and title: format templates,
// the splitting rules, clean-up and the repeat test. Runs on the thread of the metadata handler
// under the engine's metadata mutex; stateless.
class MetaDataProcessor {
public:
    // Stores a new song in current and returns true; returns false (current unchanged) for
    // empty titles, titles without an artist, repeats and XML documents.
    static bool Process(const RawTitle& raw, const QString& stationFormat, Song& current);

    // Reads artist and title out of text with a template such as
    // "<s>artist=<Artist>&<s>title=<Song>&".
    static void MatchFormat(const QString& format, const QString& text, QString& artist,
                            QString& title);
    static void SplitTitle(const QString& text, QString& artist, QString& title);
    static QString CleanUp(const QString& text);
    static QString FormatFor(const QString& complete);
};

} // namespace BASS
