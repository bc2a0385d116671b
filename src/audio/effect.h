#pragma once

// One effect on a channel's float samples (equaliser band, compressor, automatic gain).
// Parameters are set and read from any thread; process() runs on the channel's decoder thread
// only. Owned by the channel's EffectChain (shared with the handle table while it lives).

#include <cstddef>

namespace qwaudio {

class Effect {
public:
    virtual ~Effect() = default;
    // 0, or BASS_ERROR_ILLPARAM for a value out of the effect's range (nothing changes then).
    virtual int setParameters(const void* params) = 0;
    virtual void parameters(void* params) const = 0;
    // Interleaved samples, changed in place. A new parameter set is reached smoothly.
    virtual void process(float* samples, size_t frames, int channels, int rate) = 0;
};

} // namespace qwaudio
