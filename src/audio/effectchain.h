#pragma once

// The effects of one channel in priority order (higher first, equal ones in the order set).
// An effect added or removed while playing fades in or out over about 20 ms instead of
// switching at once, so neither clicks. add/remove/find: any thread; process: the channel's
// decoder thread. Owned by the Channel; m_mutex guards the list.

#include "audio/bass.h"
#include "audio/effect.h"

#include <memory>
#include <mutex>
#include <vector>

namespace qwaudio {

class EffectChain {
public:
    // Adds the effect under handle. Its samples start on the next block.
    void add(HFX handle, int priority, std::shared_ptr<Effect> effect);
    // False when the handle is not an effect of this chain (or is already leaving it).
    bool remove(HFX handle);
    // Removes every effect at once (the channel is going away).
    void clear();
    // Decoder thread: runs the effects over interleaved samples.
    void process(std::vector<float>& samples, int channels, int rate);

private:
    struct Entry {
        HFX handle;
        int priority;
        std::shared_ptr<Effect> effect;
        float share;  // how much of the effect is heard, 0..1, ramps while fading
        bool leaving; // fades out, then is dropped
    };
    void runFading(Entry& entry, std::vector<float>& samples, int channels, int rate);

    std::mutex m_mutex;
    std::vector<Entry> m_entries; // guarded by m_mutex
    std::vector<float> m_dry;     // decoder thread only
};

} // namespace qwaudio
