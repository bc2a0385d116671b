#pragma once

// Effect handles of every channel, so that the parameter calls, which get only the effect's
// handle, find it. Any thread (m_mutex guards the map); one instance. A freed channel's
// effects expire with it.

#include "audio/bass.h"
#include "audio/effect.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace qwaudio {

class FxTable {
public:
    static FxTable& instance();

    void add(HFX handle, DWORD channel, const std::shared_ptr<Effect>& effect);
    void remove(HFX handle);
    // Null when the handle is not a live effect.
    std::shared_ptr<Effect> find(HFX handle) const;
    // The channel an effect was set on, 0 when unknown.
    DWORD channelOf(HFX handle) const;

private:
    struct Entry {
        DWORD channel;
        std::weak_ptr<Effect> effect;
    };
    mutable std::mutex m_mutex;
    std::unordered_map<HFX, Entry> m_effects; // guarded by m_mutex
};

} // namespace qwaudio
