#pragma once

// Encoder handles of the whole library. Any thread (m_mutex guards the map); one instance.

#include "audio/encoder.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace qwaudio {

class EncoderTable {
public:
    static EncoderTable& instance();

    void add(const std::shared_ptr<Encoder>& encoder);
    // Null when the handle is not a live encoder.
    std::shared_ptr<Encoder> find(HENCODE handle) const;
    // Removes the handle and returns its encoder (null when unknown).
    std::shared_ptr<Encoder> take(HENCODE handle);

private:
    mutable std::mutex m_mutex;
    std::unordered_map<HENCODE, std::shared_ptr<Encoder>> m_encoders; // guarded by m_mutex
};

} // namespace qwaudio
