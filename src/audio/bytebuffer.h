#pragma once

// Bounded byte ring between the network source (writer) and the decoder (reader); sizes in
// bytes. Any thread; one writer and one reader, both may block, the mixer never touches it.
// Every wait is bounded and re-checks the abort flag. Owned by the channel.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace qwaudio {

class ByteBuffer {
public:
    enum ReadResult : long { EndOfData = 0, TimedOut = -1, Aborted = -2 };

    explicit ByteBuffer(size_t capacity);

    // Grows or shrinks the ring; data beyond a smaller capacity stays until read.
    void setCapacity(size_t capacity);
    // Blocks while the ring is full; false when aborted.
    bool write(const uint8_t* data, size_t length);
    // Up to maxLength bytes, waiting at most timeoutMs (negative: no limit) for the first one;
    // the byte count, or EndOfData, TimedOut or Aborted.
    long read(uint8_t* data, size_t maxLength, int timeoutMs);
    void setEndOfData();
    void abort();

    bool aborted() const;
    bool endOfData() const;
    uint64_t totalWritten() const;
    uint64_t totalRead() const;
    size_t capacity() const;
    size_t available() const;

private:
    size_t freeSpaceLocked() const;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<uint8_t> m_ring; // guarded by m_mutex
    size_t m_capacity;           // guarded by m_mutex; may be below m_ring.size() after shrinking
    size_t m_readPos = 0;        // guarded by m_mutex
    size_t m_fill = 0;           // guarded by m_mutex
    uint64_t m_written = 0;      // guarded by m_mutex
    uint64_t m_read = 0;         // guarded by m_mutex
    bool m_endOfData = false;    // guarded by m_mutex
    bool m_aborted = false;      // guarded by m_mutex
};

} // namespace qwaudio
