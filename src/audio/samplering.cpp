#include "audio/samplering.h"

#include <algorithm>
#include <cstring>

namespace qwaudio {

SampleRing::SampleRing(size_t capacity) : m_buffer(std::max<size_t>(capacity, 1)) {}

size_t SampleRing::readable() const {
    return m_writeCount.load(std::memory_order_acquire) -
           m_readCount.load(std::memory_order_acquire);
}

size_t SampleRing::writable() const {
    return m_buffer.size() - readable();
}

size_t SampleRing::write(const float* samples, size_t count) {
    const size_t written = m_writeCount.load(std::memory_order_relaxed);
    const size_t space = m_buffer.size() - (written - m_readCount.load(std::memory_order_acquire));
    count = std::min(count, space);
    const size_t pos = written % m_buffer.size();
    const size_t first = std::min(count, m_buffer.size() - pos);
    std::memcpy(m_buffer.data() + pos, samples, first * sizeof(float));
    std::memcpy(m_buffer.data(), samples + first, (count - first) * sizeof(float));
    m_writeCount.store(written + count, std::memory_order_release);
    return count;
}

size_t SampleRing::read(float* samples, size_t count) {
    const size_t done = m_readCount.load(std::memory_order_relaxed);
    const size_t ready = m_writeCount.load(std::memory_order_acquire) - done;
    count = std::min(count, ready);
    const size_t pos = done % m_buffer.size();
    const size_t first = std::min(count, m_buffer.size() - pos);
    std::memcpy(samples, m_buffer.data() + pos, first * sizeof(float));
    std::memcpy(samples + first, m_buffer.data(), (count - first) * sizeof(float));
    m_readCount.store(done + count, std::memory_order_release);
    return count;
}

void SampleRing::clear() {
    m_readCount.store(m_writeCount.load(std::memory_order_acquire), std::memory_order_release);
}

} // namespace qwaudio
