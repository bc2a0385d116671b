#pragma once

// Demuxing and decoding with FFmpeg: probes the source with a small probe size (the server's
// Content-Type as a hint), accepts only the formats of the create call's kind, and turns packets
// into interleaved 32-bit float samples at the stream's own rate and channel count. Opened on
// the creating thread, then used by the decoder thread only. Owned by the channel.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;
struct AVInputFormat;

namespace qwaudio {

class ByteBuffer;

// Which create call opened the stream; each accepts only its own formats.
enum class StreamKind { Generic, Wma, Aac, Mp4, Flac };

class Decoder {
public:
    using Tags = std::vector<std::pair<std::string, std::string>>;

    explicit Decoder(const std::atomic<bool>* abortFlag);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // The moment an open from the network gives up: the whole open (probe included) must end
    // by then, however slowly the data trickles in.
    using Deadline = std::chrono::steady_clock::time_point;

    // Each returns 0 or a BASS_ERROR_* code (BASS_ERROR_TIMEOUT once the deadline passed).
    int openBuffer(ByteBuffer* buffer, StreamKind kind, const std::string& contentType,
                   Deadline deadline);
    int openFile(const std::string& path, StreamKind kind);
    int openMemory(const void* data, size_t length, StreamKind kind);
    // Addresses FFmpeg reaches by itself (HLS playlists, mms, rtsp).
    int openUrl(const std::string& url, StreamKind kind, Deadline deadline);
    // After openBuffer refused the format it found: every byte it read, none given to FFmpeg,
    // so that a decoder of another kind can start from them (seedProbe before its openBuffer).
    bool refusedFormat() const { return m_refusedFormat; }
    std::vector<uint8_t> takeProbe() { return std::move(m_prefix); }
    void seedProbe(std::vector<uint8_t> bytes) { m_prefix = std::move(bytes); }

    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }
    uint32_t channelType() const { return m_channelType; }
    int originalBits() const { return m_originalBits; }
    // Bits per second as the stream announces it, 0 when unknown.
    int64_t bitRate() const { return m_bitRate; }
    // Length in frames, -1 for live streams.
    int64_t lengthFrames() const;
    std::string formatName() const;
    // Source bytes given to the codec (-1 before the first) and the source size (files and
    // memory only, else -1); any thread.
    int64_t sourcePosition() const;
    int64_t sourceSize() const;
    // Comments of the stream (Ogg comments, ASF values), keys as the container gives them.
    Tags tags() const;
    // Key frames FFmpeg holds in the stream's seek index; bounded however long the input runs.
    int seekIndexEntries() const;

    enum class Result { Samples, End };
    // Appends interleaved float samples to out (rate and channels may change between calls on
    // a chained stream: check sampleRate()/channels() afterwards). End at the end of the data,
    // on a read error or after an abort.
    Result decode(std::vector<float>& out);
    // True once after the container reported new comments (a new Ogg chain link, ASF metadata).
    bool takeTagsChanged();
    // The source byte of the packet the last decode()'s samples came from (the first of them
    // when several), in the byte count of sourcePosition() and of the network buffer; -1 when
    // the container gives packets no position. Decoder thread.
    int64_t blockPosition() const { return m_blockPosition; }

private:
    static int readBuffer(void* self, uint8_t* data, int size);
    static int readMemory(void* self, uint8_t* data, int size);
    static int64_t seekMemory(void* self, int64_t offset, int whence);
    static int interrupted(void* self);

    int probeBuffer(const std::string& contentType, const AVInputFormat** format);
    // Milliseconds left before the open deadline (0 when passed), -1 when no open runs.
    int msLeft() const;
    int openWith(AVIOContext* io, const AVInputFormat* format, const std::string& url,
                 StreamKind kind, bool direct);
    int prepareCodec(StreamKind kind);
    bool convertFrame(std::vector<float>& out);
    void readTags();
    // Decoder thread: a packet from packetPosition (-1 when unknown) goes to the codec.
    void noteParsed(int64_t packetPosition, int packetSize);

    const std::atomic<bool>* m_abortFlag;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVIOContext* m_io = nullptr;
    AVPacket* m_packet = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_swr = nullptr;
    int m_streamIndex = -1;
    bool m_ownsIo = false;

    ByteBuffer* m_buffer = nullptr;
    std::vector<uint8_t> m_prefix; // probe bytes replayed before the buffer's
    size_t m_prefixPos = 0;
    // Set while opening (creating thread), then no deadline.
    std::optional<Deadline> m_openDeadline;
    bool m_timedOut = false;
    bool m_refusedFormat = false;
    const uint8_t* m_memory = nullptr;
    int64_t m_memorySize = 0;
    int64_t m_memoryPos = 0;

    int m_rate = 0;
    int m_channels = 0;
    uint32_t m_channelType = 0;
    int m_originalBits = 0;
    int64_t m_bitRate = 0;
    std::atomic<int64_t> m_sourcePosition{-1};
    int64_t m_sourceSize = -1; // set while opening
    int m_swrRate = 0;
    int m_swrFormat = -1;
    int m_swrChannels = 0;
    std::vector<float> m_pending; // samples decoded while opening
    int64_t m_pendingPosition = -1;
    int64_t m_blockPosition = -1;
    Tags m_tags;
    bool m_tagsChanged = false;
    bool m_ended = false;
};

} // namespace qwaudio
