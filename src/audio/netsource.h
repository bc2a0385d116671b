#pragma once

// HTTP/ICY download of one stream address with libcurl: request with the configured agent,
// proxy and time-out, response header lines, ICY metadata cut out of the data. run() is the
// body of the network thread; the other members may be called from any thread. Owned by the
// channel, whose network thread runs it. abort() makes run() return at once.

#include "audio/icystreamparser.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qwaudio {

class NetSourceListener {
public:
    virtual ~NetSourceListener() = default;
    // Clean audio bytes in arrival order (network thread); may block while the buffer is full.
    virtual void onNetData(const uint8_t* data, size_t length) = 0;
    // A metadata block, between the audio bytes before it and after it (network thread).
    virtual void onNetMeta(const std::string& text) = 0;
    // The transfer ended (server closed, error or abort); nothing follows (network thread).
    virtual void onNetEnd() = 0;
};

class NetSource {
public:
    struct Options {
        std::string url;
        std::string agent;
        std::string proxy; // "user:pass@host:port", empty for none
        uint32_t timeoutMs = 5000;
        uint32_t readTimeoutMs = 0; // 0: a silent server is waited for without limit
    };

    NetSource(Options options, NetSourceListener* listener);
    ~NetSource();
    NetSource(const NetSource&) = delete;
    NetSource& operator=(const NetSource&) = delete;

    // The network thread's body: returns when the transfer ends or abort() is called.
    void run();
    void abort();

    // Waits until the final response's headers are in, the transfer failed, the time-out passed
    // or abort() was called; 0 on success, else a BASS_ERROR_* code.
    int waitForHeaders();

    // Valid after waitForHeaders() returned 0; after a failure, the last answer's lines if any.
    bool icyStatus() const;                            // the status line was "ICY 200 OK"
    std::vector<std::string> headerLines() const;      // status line first, without line ends
    std::string header(const std::string& name) const; // value of the first such line, any case
    std::string contentType() const;
    std::string effectiveUrl() const;

private:
    static size_t headerCallback(char* data, size_t size, size_t count, void* self);
    static size_t writeCallback(char* data, size_t size, size_t count, void* self);
    void onHeaderLine(const std::string& line);
    void onBody(const uint8_t* data, size_t length);
    void finishHeaders(int result);
    bool headersComplete() const;
    void keepLastHeaders();

    const Options m_options;             // set at construction, then read-only
    NetSourceListener* const m_listener; // set at construction; called on the network thread
    void* m_multi = nullptr;             // CURLM*, network thread only after construction
    std::atomic<bool> m_aborted{false};
    std::atomic<int64_t> m_lastDataMs{0};

    mutable std::mutex m_mutex;
    std::condition_variable m_headersChanged;
    bool m_headersDone = false;       // guarded by m_mutex
    int m_headerResult = 0;           // guarded by m_mutex
    std::vector<std::string> m_lines; // guarded by m_mutex
    std::string m_effectiveUrl;       // guarded by m_mutex

    // network thread only
    std::vector<std::string> m_pendingLines;
    std::unique_ptr<IcyStreamParser> m_icy;
};

} // namespace qwaudio
