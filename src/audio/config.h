#pragma once

// Library-wide options set through BASS_SetConfig / BASS_SetConfigPtr. Any thread: numbers are
// atomics, texts are copied under a mutex. One process-wide instance.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace qwaudio {

class Config {
public:
    static Config& instance();

    // False for an option the library does not know.
    bool setValue(uint32_t option, uint32_t value);
    bool value(uint32_t option, uint32_t* out) const;
    // A null pointer clears a text option.
    bool setText(uint32_t option, const char* text);

    bool floatDsp() const { return m_floatDsp.load(); }
    uint32_t netTimeoutMs() const { return m_netTimeoutMs.load(); }
    uint32_t netBufferMs() const { return m_netBufferMs.load(); }
    uint32_t netReadTimeoutMs() const { return m_netReadTimeoutMs.load(); }
    uint32_t playlistMode() const { return m_playlist.load(); }
    std::string agent() const;
    // "user:pass@host:port" or empty for a direct connection.
    std::string proxy() const;
    // Pointer to the stored text, valid until the option is set again.
    const char* textPointer(uint32_t option) const;

private:
    Config() = default;

    std::atomic<uint32_t> m_bufferMs{500};
    std::atomic<uint32_t> m_updatePeriodMs{100};
    std::atomic<uint32_t> m_globalStreamVolume{10000};
    std::atomic<bool> m_floatDsp{false};
    std::atomic<uint32_t> m_netTimeoutMs{5000};
    std::atomic<uint32_t> m_netBufferMs{5000};
    std::atomic<uint32_t> m_netPrebufPercent{75};
    std::atomic<uint32_t> m_playlist{0};
    std::atomic<uint32_t> m_netReadTimeoutMs{0};
    std::atomic<uint32_t> m_wmaPrebuf{1};
    mutable std::mutex m_textMutex;
    std::string m_agent{"Quillowave-audio/1.0"}; // guarded by m_textMutex
    std::string m_proxy;                         // guarded by m_textMutex
    bool m_hasProxy = false;                     // guarded by m_textMutex
};

} // namespace qwaudio
