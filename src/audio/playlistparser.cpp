#include "audio/playlistparser.h"

#include <algorithm>
#include <sstream>

namespace qwaudio {

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string trim(const std::string& text) {
    const char* space = " \t\r\n\"'";
    size_t start = text.find_first_not_of(space);
    if (start == std::string::npos)
        return {};
    return text.substr(start, text.find_last_not_of(space) - start + 1);
}

std::string pathOf(const std::string& url) {
    std::string path = lower(url.substr(0, url.find_first_of("?#")));
    return path;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool isStreamAddress(const std::string& text) {
    const std::string low = lower(text);
    for (const char* scheme : {"http://", "https://", "mms://", "mmsh://", "rtsp://", "icy://"}) {
        if (low.rfind(scheme, 0) == 0)
            return true;
    }
    return false;
}

} // namespace

bool PlaylistParser::isPlaylistAddress(const std::string& url) {
    const std::string path = pathOf(url);
    for (const char* end : {".pls", ".m3u", ".asx", ".wax", "playlist.php"}) {
        if (endsWith(path, end))
            return true;
    }
    return false;
}

bool PlaylistParser::looksLikePlaylist(const std::string& contentType, const std::string& url) {
    const std::string type = lower(contentType.substr(0, contentType.find(';')));
    return type == "audio/x-scpls" || type == "audio/scpls" || type == "audio/x-mpegurl" ||
           type == "audio/mpegurl" || isPlaylistAddress(url);
}

bool PlaylistParser::isHls(const std::string& contentType, const std::string& url,
                           const std::string& body) {
    const std::string type = lower(contentType.substr(0, contentType.find(';')));
    return type == "application/vnd.apple.mpegurl" || type == "application/x-mpegurl" ||
           endsWith(pathOf(url), ".m3u8") || body.find("#EXT-X-") != std::string::npos;
}

std::string PlaylistParser::firstEntry(const std::string& body) {
    std::istringstream lines(body);
    std::string line;
    while (std::getline(lines, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#' || line[0] == '[')
            continue;
        // PLS: "File1=address"; M3U: the address itself.
        const size_t equals = line.find('=');
        if (equals != std::string::npos && lower(line.substr(0, 4)) == "file") {
            std::string value = trim(line.substr(equals + 1));
            if (isStreamAddress(value))
                return value;
            continue;
        }
        if (isStreamAddress(line))
            return line;
    }
    return {};
}

} // namespace qwaudio
