#pragma once

// Where a direct copy splits: given the bytes of the stream from the one at which the title
// changed, the start of the first whole audio frame that begins at least the split delay of
// audio later. MPEG audio and ADTS frames are followed from header to header, so a stray sync
// pattern inside a frame is never taken for a boundary. Any thread; stateless.

#include <QByteArray>

namespace BASS {

class FrameCutter {
public:
    enum class Framing {
        MpegAudio, // MP1, MP2, MP3
        Adts,      // AAC in ADTS frames
        Exact,     // cut at the first byte: a stream without frames known here
    };
    // Audio waited for before a stream that shows no frames is cut where the delay's bytes
    // end (or at once without a delay).
    static constexpr int MaxSearchBytes = 64 * 1024;

    // Index in window of the cut, or -1 while more bytes are needed. bytesPerSecond serves
    // only streams without recognisable frames.
    static qsizetype FindCut(const QByteArray& window, int delayMs, Framing framing,
                             int bytesPerSecond);

    struct Frame {
        int length = 0;     // bytes, header included
        int samples = 0;    // per channel
        int sampleRate = 0; // Hz
    };
    // The frame whose header starts at data; length 0 when it is not a header.
    static Frame ReadHeader(const unsigned char* data, qsizetype available, Framing framing);

private:
    static qsizetype FindSync(const QByteArray& window, Framing framing, bool* needMore);
};

} // namespace BASS
