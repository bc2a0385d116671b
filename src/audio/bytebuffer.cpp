#include "audio/bytebuffer.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace qwaudio {

namespace {
constexpr auto kWaitSlice = std::chrono::milliseconds(50);
}

ByteBuffer::ByteBuffer(size_t capacity)
    : m_ring(std::max<size_t>(capacity, 1)), m_capacity(m_ring.size()) {}

void ByteBuffer::setCapacity(size_t capacity) {
    std::lock_guard lock(m_mutex);
    capacity = std::max<size_t>(capacity, 1);
    if (capacity > m_ring.size()) {
        std::vector<uint8_t> grown(capacity);
        for (size_t i = 0; i < m_fill; ++i)
            grown[i] = m_ring[(m_readPos + i) % m_ring.size()];
        m_ring.swap(grown);
        m_readPos = 0;
    }
    m_capacity = capacity;
    m_changed.notify_all();
}

size_t ByteBuffer::freeSpaceLocked() const {
    return m_fill >= m_capacity ? 0 : m_capacity - m_fill;
}

bool ByteBuffer::write(const uint8_t* data, size_t length) {
    std::unique_lock lock(m_mutex);
    while (length > 0) {
        if (m_aborted)
            return false;
        size_t space = freeSpaceLocked();
        if (space == 0) {
            m_changed.wait_for(lock, kWaitSlice);
            continue;
        }
        size_t count = std::min(space, length);
        size_t writePos = (m_readPos + m_fill) % m_ring.size();
        size_t first = std::min(count, m_ring.size() - writePos);
        std::memcpy(m_ring.data() + writePos, data, first);
        std::memcpy(m_ring.data(), data + first, count - first);
        m_fill += count;
        m_written += count;
        data += count;
        length -= count;
        m_changed.notify_all();
    }
    return true;
}

long ByteBuffer::read(uint8_t* data, size_t maxLength, int timeoutMs) {
    std::unique_lock lock(m_mutex);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_fill == 0) {
        if (m_aborted)
            return Aborted;
        if (m_endOfData)
            return EndOfData;
        auto slice = kWaitSlice;
        if (timeoutMs >= 0) {
            auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero())
                return TimedOut;
            slice =
                std::min(kWaitSlice, std::chrono::duration_cast<std::chrono::milliseconds>(left) +
                                         std::chrono::milliseconds(1));
        }
        m_changed.wait_for(lock, slice);
    }
    if (m_aborted)
        return Aborted;
    size_t count = std::min(maxLength, m_fill);
    size_t first = std::min(count, m_ring.size() - m_readPos);
    std::memcpy(data, m_ring.data() + m_readPos, first);
    std::memcpy(data + first, m_ring.data(), count - first);
    m_readPos = (m_readPos + count) % m_ring.size();
    m_fill -= count;
    m_read += count;
    m_changed.notify_all();
    return static_cast<long>(count);
}

void ByteBuffer::setEndOfData() {
    std::lock_guard lock(m_mutex);
    m_endOfData = true;
    m_changed.notify_all();
}

void ByteBuffer::abort() {
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    m_changed.notify_all();
}

bool ByteBuffer::aborted() const {
    std::lock_guard lock(m_mutex);
    return m_aborted;
}

bool ByteBuffer::endOfData() const {
    std::lock_guard lock(m_mutex);
    return m_endOfData;
}

uint64_t ByteBuffer::totalWritten() const {
    std::lock_guard lock(m_mutex);
    return m_written;
}

uint64_t ByteBuffer::totalRead() const {
    std::lock_guard lock(m_mutex);
    return m_read;
}

size_t ByteBuffer::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

size_t ByteBuffer::available() const {
    std::lock_guard lock(m_mutex);
    return m_fill;
}

} // namespace qwaudio
