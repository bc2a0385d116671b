#include "audio/netsource.h"

#include "audio/bass.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace qwaudio {

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool isStatusLine(const std::string& line) {
    return line.rfind("HTTP/", 0) == 0 || line.rfind("ICY ", 0) == 0;
}

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

int errorFromCurl(CURLcode code, bool headersComplete) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return BASS_ERROR_TIMEOUT;
    case CURLE_OUT_OF_MEMORY:
        // libcurl says so of a header line beyond its limit, too: that is an answer we cannot
        // read, not a machine out of memory.
        return headersComplete ? BASS_ERROR_MEM : BASS_ERROR_FILEFORM;
    default:
        return BASS_ERROR_FILEOPEN;
    }
}

} // namespace

NetSource::NetSource(Options options, NetSourceListener* listener)
    : m_options(std::move(options)), m_listener(listener) {
    static CurlGlobal global;
    m_multi = curl_multi_init();
}

NetSource::~NetSource() {
    curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void NetSource::abort() {
    m_aborted = true;
    curl_multi_wakeup(static_cast<CURLM*>(m_multi));
    std::lock_guard lock(m_mutex);
    m_headersChanged.notify_all();
}

size_t NetSource::headerCallback(char* data, size_t size, size_t count, void* self) {
    auto* source = static_cast<NetSource*>(self);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    source->onHeaderLine(line);
    return source->m_aborted ? 0 : size * count;
}

size_t NetSource::writeCallback(char* data, size_t size, size_t count, void* self) {
    auto* source = static_cast<NetSource*>(self);
    if (source->m_aborted)
        return 0;
    source->onBody(reinterpret_cast<const uint8_t*>(data), size * count);
    return source->m_aborted ? 0 : size * count;
}

void NetSource::onHeaderLine(const std::string& line) {
    if (isStatusLine(line)) {
        m_pendingLines.clear();
        m_pendingLines.push_back(line);
        return;
    }
    if (!line.empty()) {
        m_pendingLines.push_back(line);
        return;
    }
    // End of one response's headers: a redirect is followed by libcurl, so only a final
    // response counts.
    if (m_pendingLines.empty())
        return;
    const std::string& status = m_pendingLines.front();
    int code = 0;
    size_t space = status.find(' ');
    if (space != std::string::npos)
        code = std::atoi(status.c_str() + space + 1);
    bool hasLocation = false;
    for (const auto& header : m_pendingLines)
        hasLocation = hasLocation || lower(header).rfind("location:", 0) == 0;
    if (code >= 300 && code < 400 && hasLocation)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_lines = m_pendingLines;
    }
    size_t metaInterval = 0;
    std::string value = header("icy-metaint");
    if (!value.empty())
        metaInterval = size_t(std::strtoul(value.c_str(), nullptr, 10));
    m_icy = std::make_unique<IcyStreamParser>(
        metaInterval,
        [this](const uint8_t* bytes, size_t length) { m_listener->onNetData(bytes, length); },
        [this](const std::string& text) { m_listener->onNetMeta(text); });
    finishHeaders(code >= 200 && code < 300 ? 0 : BASS_ERROR_FILEOPEN);
    if (code < 200 || code >= 300)
        m_aborted = true;
}

void NetSource::onBody(const uint8_t* data, size_t length) {
    m_lastDataMs = nowMs();
    if (!m_icy) {
        // A body without a header block (HTTP/0.9-like servers): pass it through as it is.
        m_icy = std::make_unique<IcyStreamParser>(
            0, [this](const uint8_t* bytes, size_t n) { m_listener->onNetData(bytes, n); },
            [](const std::string&) {});
        finishHeaders(0);
    }
    m_icy->feed(data, length);
}

bool NetSource::headersComplete() const {
    std::lock_guard lock(m_mutex);
    return m_headersDone;
}

void NetSource::keepLastHeaders() {
    // A failure before a final answer (a redirect loop, an over-long header) still shows the
    // last status line the server sent.
    std::lock_guard lock(m_mutex);
    if (m_lines.empty())
        m_lines = m_pendingLines;
}

void NetSource::finishHeaders(int result) {
    std::lock_guard lock(m_mutex);
    if (m_headersDone)
        return;
    m_headersDone = true;
    m_headerResult = result;
    m_headersChanged.notify_all();
}

void NetSource::run() {
    CURL* easy = curl_easy_init();
    auto* multi = static_cast<CURLM*>(m_multi);
    curl_slist* requestHeaders = curl_slist_append(nullptr, "Icy-MetaData: 1");
    curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
    // "user:pass@host:port" is an HTTP proxy; an address with its own scheme is taken as it is.
    std::string proxy = m_options.proxy;
    if (!proxy.empty() && proxy.find("://") == std::string::npos)
        proxy = "http://" + proxy;
    curl_easy_setopt(easy, CURLOPT_URL, m_options.url.c_str());
    curl_easy_setopt(easy, CURLOPT_USERAGENT, m_options.agent.c_str());
    curl_easy_setopt(easy, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, requestHeaders);
    curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, aliases);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_options.timeoutMs));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &NetSource::headerCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &NetSource::writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_multi_add_handle(multi, easy);

    const int64_t startMs = nowMs();
    m_lastDataMs = startMs;
    CURLcode finalCode = CURLE_OK;
    bool finished = false;
    while (!m_aborted && !finished) {
        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                finalCode = message->data.result;
                finished = true;
            }
        }
        if (finished)
            break;
        bool headersDone;
        {
            std::lock_guard lock(m_mutex);
            headersDone = m_headersDone;
        }
        const int64_t now = nowMs();
        if (!headersDone && now - startMs > int64_t(m_options.timeoutMs)) {
            finishHeaders(BASS_ERROR_TIMEOUT);
            break;
        }
        if (headersDone && m_options.readTimeoutMs > 0 &&
            now - m_lastDataMs > int64_t(m_options.readTimeoutMs))
            break;
        // abort() wakes the poll at once; the time-out only paces the time-out checks.
        curl_multi_poll(multi, nullptr, 0, 200, nullptr);
    }
    if (finished && finalCode != CURLE_OK) {
        keepLastHeaders();
        finishHeaders(errorFromCurl(finalCode, headersComplete()));
    } else {
        finishHeaders(m_aborted ? BASS_ERROR_FILEOPEN : 0);
    }
    {
        std::lock_guard lock(m_mutex);
        char* effective = nullptr;
        if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
            m_effectiveUrl = effective;
    }
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_slist_free_all(requestHeaders);
    curl_slist_free_all(aliases);
    m_listener->onNetEnd();
}

int NetSource::waitForHeaders() {
    std::unique_lock lock(m_mutex);
    while (!m_headersDone && !m_aborted)
        m_headersChanged.wait_for(lock, std::chrono::milliseconds(50));
    if (!m_headersDone)
        return BASS_ERROR_FILEOPEN;
    return m_headerResult;
}

bool NetSource::icyStatus() const {
    std::lock_guard lock(m_mutex);
    return !m_lines.empty() && m_lines.front().rfind("ICY", 0) == 0;
}

std::vector<std::string> NetSource::headerLines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

std::string NetSource::header(const std::string& name) const {
    const std::string key = lower(name) + ":";
    std::lock_guard lock(m_mutex);
    for (const auto& line : m_lines) {
        if (lower(line.substr(0, key.size())) == key) {
            size_t start = line.find_first_not_of(" \t", key.size());
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

std::string NetSource::contentType() const {
    return header("Content-Type");
}

std::string NetSource::effectiveUrl() const {
    std::lock_guard lock(m_mutex);
    return m_effectiveUrl.empty() ? m_options.url : m_effectiveUrl;
}

} // namespace qwaudio
