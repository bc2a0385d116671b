#include "audio/config.h"

#include "audio/bass.h"

namespace qwaudio {

Config& Config::instance() {
    static Config config;
    return config;
}

bool Config::setValue(uint32_t option, uint32_t value) {
    switch (option) {
    case BASS_CONFIG_BUFFER:
        m_bufferMs = value;
        return true;
    case BASS_CONFIG_UPDATEPERIOD:
        m_updatePeriodMs = value;
        return true;
    case BASS_CONFIG_GVOL_STREAM:
        m_globalStreamVolume = value;
        return true;
    case BASS_CONFIG_FLOATDSP:
        m_floatDsp = value != 0;
        return true;
    case BASS_CONFIG_NET_TIMEOUT:
        m_netTimeoutMs = value;
        return true;
    case BASS_CONFIG_NET_BUFFER:
        m_netBufferMs = value;
        return true;
    case BASS_CONFIG_NET_PREBUF:
        m_netPrebufPercent = value;
        return true;
    case BASS_CONFIG_NET_PLAYLIST:
        m_playlist = value;
        return true;
    case BASS_CONFIG_NET_READTIMEOUT:
        m_netReadTimeoutMs = value;
        return true;
    case BASS_CONFIG_WMA_PREBUF:
        m_wmaPrebuf = value;
        return true;
    default:
        return false;
    }
}

bool Config::value(uint32_t option, uint32_t* out) const {
    switch (option) {
    case BASS_CONFIG_BUFFER:
        *out = m_bufferMs;
        return true;
    case BASS_CONFIG_UPDATEPERIOD:
        *out = m_updatePeriodMs;
        return true;
    case BASS_CONFIG_GVOL_STREAM:
        *out = m_globalStreamVolume;
        return true;
    case BASS_CONFIG_FLOATDSP:
        *out = m_floatDsp ? 1 : 0;
        return true;
    case BASS_CONFIG_NET_TIMEOUT:
        *out = m_netTimeoutMs;
        return true;
    case BASS_CONFIG_NET_BUFFER:
        *out = m_netBufferMs;
        return true;
    case BASS_CONFIG_NET_PREBUF:
        *out = m_netPrebufPercent;
        return true;
    case BASS_CONFIG_NET_PLAYLIST:
        *out = m_playlist;
        return true;
    case BASS_CONFIG_NET_READTIMEOUT:
        *out = m_netReadTimeoutMs;
        return true;
    case BASS_CONFIG_WMA_PREBUF:
        *out = m_wmaPrebuf;
        return true;
    default:
        return false;
    }
}

bool Config::setText(uint32_t option, const char* text) {
    std::lock_guard lock(m_textMutex);
    switch (option) {
    case BASS_CONFIG_NET_AGENT:
        m_agent = text ? text : "";
        return true;
    case BASS_CONFIG_NET_PROXY:
        m_hasProxy = text != nullptr && *text != '\0';
        m_proxy = m_hasProxy ? text : "";
        return true;
    default:
        return false;
    }
}

std::string Config::agent() const {
    std::lock_guard lock(m_textMutex);
    return m_agent;
}

std::string Config::proxy() const {
    std::lock_guard lock(m_textMutex);
    return m_proxy;
}

const char* Config::textPointer(uint32_t option) const {
    std::lock_guard lock(m_textMutex);
    if (option == BASS_CONFIG_NET_AGENT)
        return m_agent.c_str();
    if (option == BASS_CONFIG_NET_PROXY)
        return m_hasProxy ? m_proxy.c_str() : nullptr;
    return nullptr;
}

} // namespace qwaudio
