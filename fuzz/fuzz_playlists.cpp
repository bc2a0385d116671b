// Playlists of every kind as the engine and the audio library read them: PLS, M3U, ASX, a web
// player page, the combined candidate list, and the audio library's first-entry and HLS tests.
#include "audio/playlistparser.h"
#include "bass/playlistparser.h"
#include "fuzzinput.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::text(data, size);
    QStringList urls;
    BASS::PlaylistParser::ParsePls(text, urls);
    BASS::PlaylistParser::ParseM3u(text, urls);
    BASS::PlaylistParser::ParseAsx(text, urls);
    BASS::PlaylistParser::ParseMediaSrc(text, urls);
    BASS::PlaylistParser::Candidates(text, QStringLiteral("http://127.0.0.1/list.pls"));
    BASS::PlaylistParser::IsPlaylistURL(text);

    const std::string body(reinterpret_cast<const char*>(data), size);
    qwaudio::PlaylistParser::firstEntry(body);
    qwaudio::PlaylistParser::isHls("application/vnd.apple.mpegurl", "http://127.0.0.1/a", body);
    qwaudio::PlaylistParser::looksLikePlaylist(body, body);
    return 0;
}
