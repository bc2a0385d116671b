#pragma once

// WMA (version 2) encoding in-process: FFmpeg's wmav2 encoder writing an ASF file. Samples
// arrive as 16-bit or float interleaved blocks of any length and are cut into the codec's
// frames. Any thread (m_mutex serialises write and close); created by BASS_WMA_EncodeOpenFile,
// owned by the WMA handle table until BASS_WMA_EncodeClose.

#include "audio/bass.h"

#include <mutex>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace qwaudio {

class WmaEncoder {
public:
    WmaEncoder() = default;
    ~WmaEncoder();
    WmaEncoder(const WmaEncoder&) = delete;
    WmaEncoder& operator=(const WmaEncoder&) = delete;

    // The constant bit rates (bit/s) the codec accepts for the format, highest first, ended by
    // 0; null when it accepts none. The list lives as long as the process.
    static const DWORD* constantRates(int rate, int channels);

    // 0 or a BASS_ERROR_* code. floatInput: write() gets 32-bit float, else 16-bit samples.
    int open(const std::string& path, int rate, int channels, int bitRate, bool floatInput);
    int write(const void* data, size_t bytes);
    // Encodes what is left and completes the file.
    int close();

private:
    int encodePending(bool flush);
    int sendFrame(size_t frames);
    int drainPackets();
    void release();

    std::mutex m_mutex;
    // Guarded by m_mutex.
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    int m_channels = 0;
    bool m_floatInput = false;
    std::vector<float> m_pending; // interleaved samples not yet a whole frame
    int64_t m_nextPts = 0;
};

} // namespace qwaudio
