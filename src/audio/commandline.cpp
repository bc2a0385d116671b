#include "audio/commandline.h"

#include <unistd.h>

#include <cstdlib>

namespace qwaudio {

namespace {

bool isExecutable(const std::string& path) {
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string searchPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + name;
        if (isExecutable(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

} // namespace

std::vector<std::string> CommandLine::split(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

std::string CommandLine::findProgram(const std::string& name) {
    if (name.find('/') != std::string::npos && isExecutable(name))
        return name;
    const std::string bare = fileName(name);
    return bare.empty() ? std::string() : searchPath(bare);
}

std::vector<std::string> CommandLine::resolve(const std::string& text) {
    std::vector<std::string> words = split(text);
    if (words.empty())
        return {};
    // A program path is often joined to its options without quotes; when its folder has
    // blanks, the first words together name the file.
    if (words[0].find('/') != std::string::npos && !isExecutable(words[0])) {
        std::string joined = words[0];
        for (size_t count = 1; count < words.size(); ++count) {
            joined += " " + words[count];
            if (isExecutable(joined)) {
                words.erase(words.begin() + 1, words.begin() + long(count) + 1);
                words[0] = joined;
                break;
            }
        }
    }
    words[0] = findProgram(words[0]);
    if (words[0].empty())
        return {};
    return words;
}

} // namespace qwaudio
