#pragma once

// Compressor: above the threshold the level rises only by 1/ratio, with attack and release
// times, an output gain and a look-ahead (pre-delay) so the gain drops before a peak arrives.
// Parameters from any thread, samples on the decoder thread; owned by EffectChain.

#include "audio/bass.h"
#include "audio/effectparameters.h"

#include <vector>

namespace qwaudio {

class CompressorEffect : public EffectParameters<BASS_DX8_COMPRESSOR> {
public:
    CompressorEffect();
    void process(float* samples, size_t frames, int channels, int rate) override;

private:
    bool valid(const BASS_DX8_COMPRESSOR& params) const override;
    void prepare(int channels, int rate);
    float delayed(float* frame, int channels);

    // Decoder thread only.
    BASS_DX8_COMPRESSOR m_params;
    int m_rate = 0;
    int m_channels = 0;
    double m_reductionDb = 0;   // smoothed gain reduction
    double m_outputGain = 1;    // smoothed output gain, linear
    std::vector<float> m_delay; // look-ahead line, interleaved frames
    size_t m_delayFrames = 0;
    size_t m_delayPos = 0;
};

} // namespace qwaudio
