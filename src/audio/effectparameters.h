#pragma once

// An effect with one parameter set of type Params: checks and keeps the set given on any
// thread and hands it to the decoder thread between blocks (takeChanged). Base of the effects;
// the mutex guards only the hand-over.

#include "audio/bass.h"
#include "audio/effect.h"

#include <atomic>
#include <mutex>

namespace qwaudio {

template <typename Params> class EffectParameters : public Effect {
public:
    int setParameters(const void* params) override {
        const auto& wanted = *static_cast<const Params*>(params);
        if (!valid(wanted))
            return BASS_ERROR_ILLPARAM;
        std::lock_guard lock(m_mutex);
        m_params = wanted;
        m_changed.store(true, std::memory_order_release);
        return 0;
    }

    void parameters(void* params) const override {
        std::lock_guard lock(m_mutex);
        *static_cast<Params*>(params) = m_params;
    }

protected:
    explicit EffectParameters(const Params& initial) : m_params(initial) {}
    virtual bool valid(const Params& params) const = 0;

    // Decoder thread: copies the latest set into target when it changed since the last call.
    bool takeChanged(Params& target) {
        if (!m_changed.exchange(false, std::memory_order_acq_rel))
            return false;
        std::lock_guard lock(m_mutex);
        target = m_params;
        return true;
    }

private:
    mutable std::mutex m_mutex;
    Params m_params; // guarded by m_mutex
    std::atomic<bool> m_changed{true};
};

} // namespace qwaudio
