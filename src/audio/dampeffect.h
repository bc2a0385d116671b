#pragma once

// Automatic gain: lowers the gain at once when the amplified level would pass the target,
// and after a delay raises it step by step towards the target, up to a gain limit, while the
// sound is louder than the quiet level. Gain changes ramp across each 10 ms step so they do
// not click. Parameters from any thread, samples on the decoder thread; owned by EffectChain.

#include "audio/bass.h"
#include "audio/effectparameters.h"

namespace qwaudio {

class DampEffect : public EffectParameters<BASS_BFX_DAMP> {
public:
    DampEffect();
    void process(float* samples, size_t frames, int channels, int rate) override;

private:
    bool valid(const BASS_BFX_DAMP& params) const override;
    void processStep(float* samples, size_t frames, int channels, int rate);
    float peak(const float* samples, size_t frames, int channels) const;
    bool applies(int channel) const;

    // Decoder thread only.
    BASS_BFX_DAMP m_params;
    double m_gain = 1.0;
    double m_level = 0.0;        // recent peak with a slow decay
    double m_sinceLowered = 0.0; // seconds since the gain last had to drop
};

} // namespace qwaudio
