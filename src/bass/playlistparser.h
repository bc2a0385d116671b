#pragma once

#include <QString>
#include <QStringList>

namespace BASS {

// Readers of the playlist formats a station address can point at (PLS, M3U, ASX and the
// address embedded in a web player page). Each clears its output first and only ever takes
// entries that carry a scheme ("://" after the first character). Any thread; stateless.
class PlaylistParser {
public:
    static constexpr int PlsMaxUrls = 10;
    static constexpr int AsxMaxBlocks = 10;
    static constexpr int AsxMaxUrls = 64;

    static void ParsePls(const QString& text, QStringList& urls);
    static void ParseM3u(const QString& text, QStringList& urls);
    static void ParseAsx(const QString& text, QStringList& urls);
    static void ParseMediaSrc(const QString& text, QStringList& urls);

    // The candidate stream addresses of a downloaded playlist: PLS, then ASX, then M3U, then the
    // page form; an ASX without references gives the playlist address itself (the decoders
    // read it directly), and a text no reader understands is taken as one address. Addresses
    // of web-service endpoints (".asmx") are left out.
    static QStringList Candidates(const QString& text, const QString& playlistUrl);

    // True when the address names a playlist or a page that produces one (the audio library's
    // rule, so that every part agrees).
    static bool IsPlaylistURL(const QString& url);
    // True when a playlist address is downloaded and read before connecting, rather than
    // handed to the decoders as it is.
    static bool FetchesPlaylist(const QString& url);
    static bool HasScheme(const QString& line) { return line.indexOf(QStringLiteral("://")) > 0; }

private:
    static void parseM3uLines(const QString& text, QStringList& urls);
    static void parseAsxBlock(const QString& block, QStringList& urls);
    static QString decodeUrl(const QString& raw);
};

} // namespace BASS
