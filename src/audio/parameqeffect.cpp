#include "audio/parameqeffect.h"

#include <algorithm>
#include <cmath>

namespace qwaudio {

namespace {

constexpr BASS_DX8_PARAMEQ kDefaults{8000.0f, 12.0f, 0.0f};
constexpr size_t kGlideFrames = 32;
constexpr double kGlideSeconds = 0.02;

bool same(const BASS_DX8_PARAMEQ& a, const BASS_DX8_PARAMEQ& b) {
    return a.fCenter == b.fCenter && a.fBandwidth == b.fBandwidth && a.fGain == b.fGain;
}

// Moves value a share of the way to target, landing on it once close enough to be inaudible.
float approach(float value, float target, float share, float closeEnough) {
    const float next = value + (target - value) * share;
    return std::fabs(target - next) < closeEnough ? target : next;
}

} // namespace

ParamEqEffect::ParamEqEffect()
    : EffectParameters(kDefaults), m_wanted(kDefaults), m_current(kDefaults) {}

bool ParamEqEffect::valid(const BASS_DX8_PARAMEQ& p) const {
    return p.fCenter >= 80.0f && p.fCenter <= 16000.0f && p.fBandwidth >= 1.0f &&
           p.fBandwidth <= 36.0f && p.fGain >= -15.0f && p.fGain <= 15.0f;
}

void ParamEqEffect::process(float* samples, size_t frames, int channels, int rate) {
    takeChanged(m_wanted);
    if (rate != m_filterRate) {
        m_filterRate = rate;
        m_current = m_wanted;
        m_filter.reset();
        updateFilter(rate);
    }
    // A flat band at rest changes nothing: skip the filter so that ten idle bands cost nothing.
    if (m_current.fGain == 0.0f && m_wanted.fGain == 0.0f && same(m_current, m_wanted)) {
        m_filter.reset();
        return;
    }
    for (size_t done = 0; done < frames;) {
        const size_t chunk = std::min(kGlideFrames, frames - done);
        if (!same(m_current, m_wanted)) {
            glide(rate, chunk);
            updateFilter(rate);
        }
        m_filter.process(samples + done * size_t(channels), chunk, channels);
        done += chunk;
    }
}

void ParamEqEffect::glide(int rate, size_t frames) {
    const float share = float(1.0 - std::exp(-double(frames) / (kGlideSeconds * rate)));
    m_current.fGain = approach(m_current.fGain, m_wanted.fGain, share, 0.01f);
    m_current.fCenter = approach(m_current.fCenter, m_wanted.fCenter, share, 0.5f);
    m_current.fBandwidth = approach(m_current.fBandwidth, m_wanted.fBandwidth, share, 0.01f);
}

void ParamEqEffect::updateFilter(int rate) {
    // Above about half the rate the peak would fold back; keep the centre where it is stable.
    const double centre = std::min(double(m_current.fCenter), 0.45 * rate);
    m_filter.setPeaking(rate, centre, m_current.fBandwidth / 12.0, m_current.fGain);
}

} // namespace qwaudio
