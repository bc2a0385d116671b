#include "audio/icystreamparser.h"

#include <algorithm>

namespace qwaudio {

IcyStreamParser::IcyStreamParser(size_t metaInterval, DataSink dataSink, MetaSink metaSink)
    : m_metaInterval(metaInterval), m_dataSink(std::move(dataSink)),
      m_metaSink(std::move(metaSink)), m_audioLeft(metaInterval) {}

void IcyStreamParser::feed(const uint8_t* data, size_t length) {
    if (m_metaInterval == 0) {
        if (length > 0)
            m_dataSink(data, length);
        return;
    }
    while (length > 0) {
        switch (m_state) {
        case State::Audio: {
            size_t count = std::min(length, m_audioLeft);
            m_dataSink(data, count);
            data += count;
            length -= count;
            m_audioLeft -= count;
            if (m_audioLeft == 0)
                m_state = State::MetaLength;
            break;
        }
        case State::MetaLength:
            m_metaLeft = size_t(*data) * 16;
            ++data;
            --length;
            m_meta.clear();
            m_audioLeft = m_metaInterval;
            m_state = m_metaLeft > 0 ? State::MetaText : State::Audio;
            break;
        case State::MetaText: {
            size_t count = std::min(length, m_metaLeft);
            m_meta.append(reinterpret_cast<const char*>(data), count);
            data += count;
            length -= count;
            m_metaLeft -= count;
            if (m_metaLeft == 0) {
                m_meta.erase(m_meta.find_last_not_of('\0') + 1);
                if (!m_meta.empty())
                    m_metaSink(m_meta);
                m_state = State::Audio;
            }
            break;
        }
        }
    }
}

} // namespace qwaudio
