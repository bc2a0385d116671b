#include "audio/encoderfeed.h"

#include "audio/handletable.h"

#include <algorithm>

namespace qwaudio {

void EncoderFeed::add(const std::shared_ptr<Encoder>& encoder) {
    std::lock_guard lock(m_mutex);
    m_encoders.push_back(encoder);
}

void EncoderFeed::remove(HENCODE handle) {
    std::lock_guard lock(m_mutex);
    m_encoders.erase(std::remove_if(m_encoders.begin(), m_encoders.end(),
                                    [handle](const auto& e) { return e->handle() == handle; }),
                     m_encoders.end());
}

void EncoderFeed::feed(const std::vector<float>& samples) {
    // Outside the lock: an encoder may wait for room, and stopping it must not wait for that.
    std::vector<std::shared_ptr<Encoder>> encoders;
    {
        std::lock_guard lock(m_mutex);
        if (m_encoders.empty())
            return;
        encoders = m_encoders;
    }
    for (const auto& encoder : encoders)
        encoder->feed(samples.data(), samples.size());
}

void EncoderFeed::channelFreed() {
    std::vector<std::shared_ptr<Encoder>> encoders;
    {
        std::lock_guard lock(m_mutex);
        encoders.swap(m_encoders);
    }
    for (const auto& encoder : encoders) {
        encoder->finish();
        if (!encoder->autoFree())
            continue;
        // Whoever gave the callback may go with the channel: no call reaches it afterwards.
        encoder->detachOutput();
        HandleTable<Encoder>::instance().take(encoder->handle());
    }
}

} // namespace qwaudio
