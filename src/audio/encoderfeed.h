#pragma once

// The encoders fed by one channel. add/remove/channelFreed: any thread; feed: the channel's
// decoder thread. Owned by the Channel; m_mutex guards the list.

#include "audio/encoder.h"

#include <memory>
#include <mutex>
#include <vector>

namespace qwaudio {

class EncoderFeed {
public:
    void add(const std::shared_ptr<Encoder>& encoder);
    void remove(HENCODE handle);
    // Decoder thread: the samples after the DSP callbacks and effects.
    void feed(const std::vector<float>& samples);
    // The channel is going away: every encoder gets the end of its input, and those started
    // with BASS_ENCODE_AUTOFREE leave the handle table and stop calling their ENCODEPROC
    // (the programs finish in the background).
    void channelFreed();

private:
    std::mutex m_mutex;
    std::vector<std::shared_ptr<Encoder>> m_encoders; // guarded by m_mutex
};

} // namespace qwaudio
