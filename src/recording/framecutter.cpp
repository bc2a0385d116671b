#include "recording/framecutter.h"

namespace BASS {

namespace {

// Bit rates in kbit/s by [version is MPEG-1][layer - 1][index].
constexpr int kMpegBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}}};
constexpr int kMpegRates[3] = {44100, 48000, 32000};
constexpr int kAdtsRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                22050, 16000, 12000, 11025, 8000,  7350};

FrameCutter::Frame mpegHeader(const unsigned char* h) {
    FrameCutter::Frame frame;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return frame;
    const int versionBits = (h[1] >> 3) & 3; // 0: MPEG-2.5, 2: MPEG-2, 3: MPEG-1
    const int layer = 4 - ((h[1] >> 1) & 3); // 1..3, 4 = reserved
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3)
        return frame;
    const bool mpeg1 = versionBits == 3;
    const int kbps = kMpegBitrates[mpeg1 ? 1 : 0][layer - 1][bitrateIndex];
    int rate = kMpegRates[rateIndex];
    if (versionBits == 2)
        rate /= 2;
    else if (versionBits == 0)
        rate /= 4;
    const int padding = (h[2] >> 1) & 1;
    if (layer == 1) {
        frame.samples = 384;
        frame.length = (12 * kbps * 1000 / rate + padding) * 4;
    } else {
        frame.samples = layer == 3 && !mpeg1 ? 576 : 1152;
        frame.length = frame.samples / 8 * kbps * 1000 / rate + padding;
    }
    frame.sampleRate = rate;
    return frame;
}

FrameCutter::Frame adtsHeader(const unsigned char* h) {
    FrameCutter::Frame frame;
    if (h[0] != 0xFF || (h[1] & 0xF6) != 0xF0)
        return frame;
    const int rateIndex = (h[2] >> 2) & 0xF;
    const int length = ((h[3] & 3) << 11) | (h[4] << 3) | (h[5] >> 5);
    const int headerLength = (h[1] & 1) ? 7 : 9;
    if (rateIndex >= 13 || length <= headerLength)
        return frame;
    frame.length = length;
    frame.samples = 1024 * ((h[6] & 3) + 1);
    frame.sampleRate = kAdtsRates[rateIndex];
    return frame;
}

} // namespace

FrameCutter::Frame FrameCutter::ReadHeader(const unsigned char* data, qsizetype available,
                                           Framing framing) {
    switch (framing) {
    case Framing::MpegAudio:
        return available >= 4 ? mpegHeader(data) : Frame{};
    case Framing::Adts:
        return available >= 7 ? adtsHeader(data) : Frame{};
    case Framing::Exact:
        break;
    }
    return {};
}

qsizetype FrameCutter::FindSync(const QByteArray& window, Framing framing, bool* needMore) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(window.constData());
    const qsizetype size = window.size();
    *needMore = false;
    for (qsizetype at = 0; at + 1 < size; ++at) {
        if (bytes[at] != 0xFF)
            continue;
        const Frame frame = ReadHeader(bytes + at, size - at, framing);
        if (frame.length == 0) {
            if (size - at < 7) {
                *needMore = true;
                return -1;
            }
            continue;
        }
        // A header counts only when the next frame's header follows where this one ends.
        const qsizetype next = at + frame.length;
        const Frame following = ReadHeader(bytes + next, size - next, framing);
        if (size - next < 7) {
            *needMore = true;
            return -1;
        }
        if (following.length != 0 && following.sampleRate == frame.sampleRate)
            return at;
    }
    *needMore = true;
    return -1;
}

qsizetype FrameCutter::FindCut(const QByteArray& window, int delayMs, Framing framing,
                               int bytesPerSecond) {
    const qint64 delayBytes = qint64(delayMs) * qMax(bytesPerSecond, 0) / 1000;
    if (framing == Framing::Exact)
        return 0;
    bool needMore = false;
    qsizetype at = FindSync(window, framing, &needMore);
    if (at < 0) {
        if (window.size() < MaxSearchBytes + delayBytes)
            return -1;
        return qsizetype(qMin<qint64>(delayBytes, window.size()));
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(window.constData());
    // Audio after the title's byte, in milliseconds × sample rate, so that no rounding adds up.
    qint64 elapsed = 0;
    while (true) {
        const Frame frame = ReadHeader(bytes + at, window.size() - at, framing);
        if (window.size() - at < 7)
            return -1;
        if (frame.length == 0 || elapsed >= qint64(delayMs) * frame.sampleRate)
            return at;
        elapsed += qint64(frame.samples) * 1000;
        at += frame.length;
    }
}

} // namespace BASS
