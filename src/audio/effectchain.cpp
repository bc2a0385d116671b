#include "audio/effectchain.h"

#include <algorithm>

namespace qwaudio {

namespace {

constexpr double kFadeSeconds = 0.02;

} // namespace

void EffectChain::add(HFX handle, int priority, std::shared_ptr<Effect> effect) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_entries.begin(), m_entries.end(),
                           [priority](const Entry& entry) { return entry.priority < priority; });
    m_entries.insert(it, {handle, priority, std::move(effect), 0.0f, false});
}

bool EffectChain::remove(HFX handle) {
    std::lock_guard lock(m_mutex);
    for (Entry& entry : m_entries) {
        if (entry.handle == handle && !entry.leaving) {
            entry.leaving = true;
            return true;
        }
    }
    return false;
}

void EffectChain::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

void EffectChain::process(std::vector<float>& samples, int channels, int rate) {
    if (channels <= 0 || rate <= 0)
        return;
    std::lock_guard lock(m_mutex);
    const size_t frames = samples.size() / size_t(channels);
    for (Entry& entry : m_entries) {
        if (entry.share >= 1.0f && !entry.leaving)
            entry.effect->process(samples.data(), frames, channels, rate);
        else
            runFading(entry, samples, channels, rate);
    }
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [](const Entry& e) { return e.leaving && e.share <= 0.0f; }),
                    m_entries.end());
}

// Mixes the effect's output with its input by a share that ramps towards 1 (arriving) or
// 0 (leaving) frame by frame.
void EffectChain::runFading(Entry& entry, std::vector<float>& samples, int channels, int rate) {
    m_dry = samples;
    const size_t frames = samples.size() / size_t(channels);
    entry.effect->process(samples.data(), frames, channels, rate);
    const float step = float(1.0 / (kFadeSeconds * rate)) * (entry.leaving ? -1.0f : 1.0f);
    float share = entry.share;
    for (size_t frame = 0; frame < frames; ++frame) {
        share = std::clamp(share + step, 0.0f, 1.0f);
        for (int c = 0; c < channels; ++c) {
            const size_t i = frame * size_t(channels) + size_t(c);
            samples[i] = m_dry[i] + (samples[i] - m_dry[i]) * share;
        }
    }
    entry.share = share;
}

} // namespace qwaudio
