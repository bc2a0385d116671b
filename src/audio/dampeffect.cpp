#include "audio/dampeffect.h"

#include <algorithm>
#include <cmath>

namespace qwaudio {

namespace {

constexpr BASS_BFX_DAMP kDefaults{0.92f, 0.02f, 0.01f, 1.0f, 0.5f, BASS_BFX_CHANALL};
constexpr double kStepSeconds = 0.01;
constexpr double kLevelDecaySeconds = 1.0;

} // namespace

DampEffect::DampEffect() : EffectParameters(kDefaults), m_params(kDefaults) {}

bool DampEffect::valid(const BASS_BFX_DAMP& p) const {
    return p.fTarget > 0 && p.fTarget <= 1 && p.fQuiet >= 0 && p.fQuiet <= 1 && p.fRate >= 0 &&
           p.fRate <= 1 && p.fGain >= 0 && p.fDelay >= 0 && p.lChannel >= BASS_BFX_CHANALL;
}

void DampEffect::process(float* samples, size_t frames, int channels, int rate) {
    takeChanged(m_params);
    const size_t stepFrames = std::max<size_t>(size_t(kStepSeconds * rate), 1);
    for (size_t done = 0; done < frames;) {
        const size_t chunk = std::min(stepFrames, frames - done);
        processStep(samples + done * size_t(channels), chunk, channels, rate);
        done += chunk;
    }
}

bool DampEffect::applies(int channel) const {
    return m_params.lChannel == BASS_BFX_CHANALL || m_params.lChannel == channel;
}

float DampEffect::peak(const float* samples, size_t frames, int channels) const {
    float found = 0;
    for (size_t i = 0; i < frames * size_t(channels); ++i) {
        if (applies(int(i % size_t(channels))))
            found = std::max(found, std::fabs(samples[i]));
    }
    return found;
}

void DampEffect::processStep(float* samples, size_t frames, int channels, int rate) {
    const double seconds = double(frames) / rate;
    m_level = std::max(double(peak(samples, frames, channels)),
                       m_level * std::exp(-seconds / kLevelDecaySeconds));
    const double limit = std::max(double(m_params.fGain), 1.0);
    double next = m_gain;
    m_sinceLowered += seconds;
    if (m_level * m_gain > m_params.fTarget) {
        next = m_params.fTarget / m_level;
        m_sinceLowered = 0;
    } else if (m_level >= m_params.fQuiet && m_level > 0 && m_sinceLowered >= m_params.fDelay) {
        const double wanted = std::min(m_params.fTarget / m_level, limit);
        const double share = 1.0 - std::pow(1.0 - m_params.fRate, seconds / kStepSeconds);
        next = m_gain + (wanted - m_gain) * share;
    }
    next = std::min(next, limit);
    for (size_t frame = 0; frame < frames; ++frame) {
        const float gain = float(m_gain + (next - m_gain) * double(frame + 1) / double(frames));
        float* current = samples + frame * size_t(channels);
        for (int c = 0; c < channels; ++c) {
            if (applies(c))
                current[c] *= gain;
        }
    }
    m_gain = next;
}

} // namespace qwaudio
