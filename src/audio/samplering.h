#pragma once

// Lock-free ring of float samples from the decoder thread (the only writer) to the mixer (the
// only reader); counts in samples, not frames. Neither side allocates or blocks, so the mixer
// may use it. Owned by the channel; the storage is allocated once at construction.

#include <atomic>
#include <cstddef>
#include <vector>

namespace qwaudio {

class SampleRing {
public:
    explicit SampleRing(size_t capacity);

    size_t capacity() const { return m_buffer.size(); }
    size_t readable() const;
    size_t writable() const;
    // Writer side: stores up to count samples, returns how many.
    size_t write(const float* samples, size_t count);
    // Reader side: takes up to count samples, returns how many.
    size_t read(float* samples, size_t count);
    // Reader side: drops everything readable.
    void clear();

private:
    std::vector<float> m_buffer;
    std::atomic<size_t> m_writeCount{0}; // samples ever written; only the writer stores it
    std::atomic<size_t> m_readCount{0};  // samples ever read; only the reader stores it
};

} // namespace qwaudio
