#include "audio/fxtable.h"

namespace qwaudio {

FxTable& FxTable::instance() {
    static FxTable table;
    return table;
}

void FxTable::add(HFX handle, DWORD channel, const std::shared_ptr<Effect>& effect) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_effects.begin(); it != m_effects.end();) {
        if (it->second.effect.expired())
            it = m_effects.erase(it);
        else
            ++it;
    }
    m_effects[handle] = {channel, effect};
}

void FxTable::remove(HFX handle) {
    std::lock_guard lock(m_mutex);
    m_effects.erase(handle);
}

std::shared_ptr<Effect> FxTable::find(HFX handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_effects.find(handle);
    return it == m_effects.end() ? nullptr : it->second.effect.lock();
}

DWORD FxTable::channelOf(HFX handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_effects.find(handle);
    return it == m_effects.end() ? 0 : it->second.channel;
}

} // namespace qwaudio
