#pragma once

// One band of parametric equaliser: a peaking filter at a centre frequency, bandwidth in
// semitones, gain in dB. A new setting glides over about 20 ms so that changes while playing
// do not click. Parameters from any thread, samples on the decoder thread; owned by EffectChain.

#include "audio/bass.h"
#include "audio/biquad.h"
#include "audio/effectparameters.h"

namespace qwaudio {

class ParamEqEffect : public EffectParameters<BASS_DX8_PARAMEQ> {
public:
    ParamEqEffect();
    void process(float* samples, size_t frames, int channels, int rate) override;

private:
    bool valid(const BASS_DX8_PARAMEQ& params) const override;
    void glide(int rate, size_t frames);
    void updateFilter(int rate);

    // Decoder thread only.
    BASS_DX8_PARAMEQ m_wanted;
    BASS_DX8_PARAMEQ m_current;
    int m_filterRate = 0;
    Biquad m_filter;
};

} // namespace qwaudio
