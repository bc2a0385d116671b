#pragma once

// The sample format an encoder program reads: 8-bit unsigned, 16-bit signed or 32-bit float,
// little- or big-endian, with or without a WAV header in front. Any thread; a value type.

#include "audio/bass.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qwaudio {

class PcmFormat {
public:
    // From BASS_Encode_Start's flags; without a size flag the channel's own sample format.
    PcmFormat(DWORD encodeFlags, DWORD channelFlags);

    int bytesPerSample() const { return m_bytes; }
    // The WAV header of an endless stream; empty when the flags ask for none.
    std::vector<uint8_t> header(int rate, int channels) const;
    // Appends the samples (float, -1..1) converted to this format.
    void append(const float* samples, size_t count, std::vector<uint8_t>& out) const;

private:
    int m_bytes = 2;
    bool m_float = false;
    bool m_bigEndian = false;
    bool m_header = true;
};

} // namespace qwaudio
