#pragma once

// Finds the first stream address in a PLS or M3U playlist body, so that a playlist address
// plays its first stream. Any thread; stateless.

#include <string>

namespace qwaudio {

class PlaylistParser {
public:
    // True when the Content-Type or the address names a PLS/M3U playlist (not an HLS one).
    static bool looksLikePlaylist(const std::string& contentType, const std::string& url);
    // True for an HLS playlist, which FFmpeg plays by itself.
    static bool isHls(const std::string& contentType, const std::string& url,
                      const std::string& body);
    // The first http(s)/mms/rtsp address of the body; empty when there is none.
    static std::string firstEntry(const std::string& body);
};

} // namespace qwaudio
