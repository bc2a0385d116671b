#pragma once

// Finds the first stream address in a PLS or M3U playlist body, so that a playlist address
// plays its first stream. Any thread; stateless.

#include <string>

namespace qwaudio {

class PlaylistParser {
public:
    // The one rule for "this address names a playlist to read first": its path (without query
    // or fragment) ends, ignoring case, with ".pls", ".m3u", ".asx", ".wax" or "playlist.php".
    // An HLS playlist (".m3u8") is a stream FFmpeg plays by itself.
    static bool isPlaylistAddress(const std::string& url);
    // True when the Content-Type names a PLS/M3U playlist or the address is a playlist address.
    static bool looksLikePlaylist(const std::string& contentType, const std::string& url);
    // True for an HLS playlist, which FFmpeg plays by itself.
    static bool isHls(const std::string& contentType, const std::string& url,
                      const std::string& body);
    // The first http(s)/mms/rtsp address of the body; empty when there is none.
    static std::string firstEntry(const std::string& body);
};

} // namespace qwaudio
