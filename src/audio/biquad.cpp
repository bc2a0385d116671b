#include "audio/biquad.h"

#include <algorithm>
#include <cmath>

namespace qwaudio {

void Biquad::setPeaking(double rate, double centre, double octaves, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * M_PI * centre / rate;
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sinW0);
    const double a0 = 1.0 + alpha / a;
    m_b0 = (1.0 + alpha * a) / a0;
    m_b1 = -2.0 * std::cos(w0) / a0;
    m_b2 = (1.0 - alpha * a) / a0;
    m_a1 = m_b1;
    m_a2 = (1.0 - alpha / a) / a0;
}

void Biquad::process(float* samples, size_t frames, int channels) {
    const int filtered = std::min(channels, kMaxChannels);
    for (size_t frame = 0; frame < frames; ++frame) {
        float* sample = samples + frame * size_t(channels);
        for (int c = 0; c < filtered; ++c) {
            const double in = sample[c];
            const double out = m_b0 * in + m_z1[c];
            m_z1[c] = m_b1 * in - m_a1 * out + m_z2[c];
            m_z2[c] = m_b2 * in - m_a2 * out;
            sample[c] = float(out);
        }
    }
}

void Biquad::reset() {
    m_z1.fill(0);
    m_z2.fill(0);
}

} // namespace qwaudio
