#include "audio/pcmformat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qwaudio {

namespace {

void putLittle(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(uint8_t(value >> (8 * i)));
}

void putTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

} // namespace

PcmFormat::PcmFormat(DWORD encodeFlags, DWORD channelFlags)
    : m_bigEndian((encodeFlags & BASS_ENCODE_BIGEND) != 0),
      m_header((encodeFlags & BASS_ENCODE_NOHEAD) == 0) {
    if (encodeFlags & BASS_ENCODE_FP_32BIT)
        m_float = true;
    else if (encodeFlags & BASS_ENCODE_FP_8BIT)
        m_bytes = 1;
    else if (!(encodeFlags & BASS_ENCODE_FP_16BIT) && (channelFlags & BASS_SAMPLE_FLOAT))
        m_float = true;
    else if (!(encodeFlags & BASS_ENCODE_FP_16BIT) && (channelFlags & BASS_SAMPLE_8BITS))
        m_bytes = 1;
    if (m_float)
        m_bytes = 4;
}

std::vector<uint8_t> PcmFormat::header(int rate, int channels) const {
    std::vector<uint8_t> out;
    if (!m_header)
        return out;
    out.reserve(44);
    // The length is unknown while streaming: the sizes say "as long as it goes".
    const uint32_t unknown = 0xFFFFFFFFu;
    const uint32_t blockAlign = uint32_t(channels * m_bytes);
    putTag(out, "RIFF");
    putLittle(out, unknown, 4);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putLittle(out, 16, 4);
    putLittle(out, m_float ? 3 : 1, 2);
    putLittle(out, uint32_t(channels), 2);
    putLittle(out, uint32_t(rate), 4);
    putLittle(out, uint32_t(rate) * blockAlign, 4);
    putLittle(out, blockAlign, 2);
    putLittle(out, uint32_t(m_bytes * 8), 2);
    putTag(out, "data");
    putLittle(out, unknown, 4);
    return out;
}

void PcmFormat::append(const float* samples, size_t count, std::vector<uint8_t>& out) const {
    const size_t start = out.size();
    out.resize(start + count * size_t(m_bytes));
    uint8_t* target = out.data() + start;
    for (size_t i = 0; i < count; ++i) {
        const float value = std::clamp(samples[i], -1.0f, 1.0f);
        uint32_t word = 0;
        if (m_float)
            std::memcpy(&word, &samples[i], 4);
        else if (m_bytes == 2)
            word = uint16_t(int16_t(std::lrint(value * 32767.0f)));
        else
            word = uint8_t(std::lrint(value * 127.0f) + 128);
        for (int b = 0; b < m_bytes; ++b) {
            const int shift = 8 * (m_bigEndian ? m_bytes - 1 - b : b);
            *target++ = uint8_t(word >> shift);
        }
    }
}

} // namespace qwaudio
