#pragma once

// Splits an ICY stream (audio bytes with a metadata block after every metaint bytes) into clean
// audio and metadata texts. Network thread only; owned by the network source. A metaint of 0
// passes everything through as audio.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace qwaudio {

class IcyStreamParser {
public:
    using DataSink = std::function<void(const uint8_t* data, size_t length)>;
    // The block's text without its zero padding; empty blocks are not reported.
    using MetaSink = std::function<void(const std::string& text)>;

    IcyStreamParser(size_t metaInterval, DataSink dataSink, MetaSink metaSink);

    void feed(const uint8_t* data, size_t length);

private:
    enum class State { Audio, MetaLength, MetaText };

    size_t m_metaInterval;
    DataSink m_dataSink;
    MetaSink m_metaSink;
    State m_state = State::Audio;
    size_t m_audioLeft;
    size_t m_metaLeft = 0;
    std::string m_meta;
};

} // namespace qwaudio
