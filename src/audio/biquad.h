#pragma once

// A second-order filter section in transposed direct form II with its own state per channel.
// Coefficients of the peaking equaliser follow the Audio EQ Cookbook (R. Bristow-Johnson).
// Decoder thread only; owned by its effect.

#include <array>
#include <cstddef>

namespace qwaudio {

class Biquad {
public:
    static constexpr int kMaxChannels = 8;

    // Peaking filter: gain in dB at centre Hz, bandwidth in octaves between the -3 dB points.
    void setPeaking(double rate, double centre, double octaves, double gainDb);
    // Runs frames of interleaved samples; channels above kMaxChannels pass unchanged.
    void process(float* samples, size_t frames, int channels);
    void reset();

private:
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    std::array<double, kMaxChannels> m_z1{};
    std::array<double, kMaxChannels> m_z2{};
};

} // namespace qwaudio
