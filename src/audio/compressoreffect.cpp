#include "audio/compressoreffect.h"

#include <algorithm>
#include <cmath>

namespace qwaudio {

namespace {

constexpr BASS_DX8_COMPRESSOR kDefaults{0.0f, 10.0f, 200.0f, -20.0f, 3.0f, 4.0f};
constexpr double kGainGlideSeconds = 0.02;

// Per-sample smoothing factor of a one-pole filter with the given time constant.
double pole(double ms, int rate) {
    return std::exp(-1000.0 / (std::max(ms, 0.001) * rate));
}

} // namespace

CompressorEffect::CompressorEffect() : EffectParameters(kDefaults), m_params(kDefaults) {}

bool CompressorEffect::valid(const BASS_DX8_COMPRESSOR& p) const {
    return p.fGain >= -60 && p.fGain <= 60 && p.fAttack >= 0.01f && p.fAttack <= 500 &&
           p.fRelease >= 50 && p.fRelease <= 3000 && p.fThreshold >= -60 && p.fThreshold <= 0 &&
           p.fRatio >= 1 && p.fRatio <= 100 && p.fPredelay >= 0 && p.fPredelay <= 4;
}

void CompressorEffect::prepare(int channels, int rate) {
    const size_t frames = size_t(std::lround(m_params.fPredelay / 1000.0 * rate));
    if (rate == m_rate && channels == m_channels && frames == m_delayFrames)
        return;
    m_rate = rate;
    m_channels = channels;
    m_delayFrames = frames;
    m_delay.assign(frames * size_t(channels), 0.0f);
    m_delayPos = 0;
}

// Swaps the frame with the one written pre-delay frames ago; returns the new frame's peak.
float CompressorEffect::delayed(float* frame, int channels) {
    float peak = 0;
    for (int c = 0; c < channels; ++c)
        peak = std::max(peak, std::fabs(frame[c]));
    if (m_delayFrames == 0)
        return peak;
    float* slot = m_delay.data() + m_delayPos * size_t(channels);
    for (int c = 0; c < channels; ++c)
        std::swap(frame[c], slot[c]);
    m_delayPos = (m_delayPos + 1) % m_delayFrames;
    return peak;
}

void CompressorEffect::process(float* samples, size_t frames, int channels, int rate) {
    takeChanged(m_params);
    prepare(channels, rate);
    const double attack = pole(m_params.fAttack, rate);
    const double release = pole(m_params.fRelease, rate);
    const double gainPole = pole(kGainGlideSeconds * 1000.0, rate);
    const double wantedGain = std::pow(10.0, m_params.fGain / 20.0);
    const double slope = 1.0 - 1.0 / m_params.fRatio;
    for (size_t frame = 0; frame < frames; ++frame) {
        float* current = samples + frame * size_t(channels);
        const float peak = delayed(current, channels);
        const double levelDb = 20.0 * std::log10(std::max(double(peak), 1e-6));
        const double over = levelDb - m_params.fThreshold;
        const double wanted = over > 0 ? over * slope : 0.0;
        const double coefficient = wanted > m_reductionDb ? attack : release;
        m_reductionDb = coefficient * m_reductionDb + (1.0 - coefficient) * wanted;
        m_outputGain = gainPole * m_outputGain + (1.0 - gainPole) * wantedGain;
        const float gain = float(m_outputGain * std::pow(10.0, -m_reductionDb / 20.0));
        for (int c = 0; c < channels; ++c)
            current[c] *= gain;
    }
}

} // namespace qwaudio
