#pragma once

#include "bass/headertags.h"
#include "bass/rawtitle.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace BASS {

// Readers of the texts a stream carries: the Shoutcast title block, Windows Media texts, Ogg
// comments and the response header lines, and the decoding of their bytes (UTF-8 when valid,
// else the code page of the station's country). Any thread; stateless.
class MetaText {
public:
    // The code page used for non-UTF-8 bytes from a station in that country; empty for none.
    static QString CodePageForCountry(const QString& country);
    static QString Decode(const QByteArray& bytes, const QString& country);

    // Splits a list of zero-terminated strings ended by an empty one (header and comment tags).
    static QList<QByteArray> SplitTagList(const char* tags);

    // Each returns false when the text is not of its kind.
    static bool ParseShoutcast(const QString& text, RawTitle& raw);
    static bool ParseWindowsMedia(const QString& text, RawTitle& raw);
    static void ParseOggComments(const QList<QByteArray>& comments, const QString& country,
                                 RawTitle& raw);
    // The "TITLE" value of Ogg comments.
    static QString OggTitle(const QList<QByteArray>& comments, const QString& country);

    static void ParseHeaderLines(const QList<QByteArray>& lines, const QString& country,
                                 HeaderTags& tags);
    static void ParseWmaHeader(const QList<QByteArray>& values, const QString& country,
                               HeaderTags& tags);

    // Percent-decoding of a text taken as UTF-8 bytes.
    static QString PercentDecoded(const QString& text);
    // The text with every control character (a server's stray bytes) as a space: nothing the
    // user sees carries them.
    static QString WithoutControls(const QString& text);
};

} // namespace BASS
