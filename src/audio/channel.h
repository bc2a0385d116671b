#pragma once

// One stream: its network source and decoder threads, the sample ring the mixer reads, tags,
// syncs, DSP callbacks, attributes and play state. Created by the create calls on the caller's
// thread, then shared (std::shared_ptr) by the handle table and the channel's own threads; the
// last owner destroys it. Members are labelled with the threads that use them. The mixer only
// calls mixInto(), which neither allocates, blocks nor calls back.

#include "audio/bass.h"
#include "audio/decoder.h"
#include "audio/effectchain.h"
#include "audio/encoderfeed.h"
#include "audio/netsource.h"
#include "audio/oggcommentscanner.h"
#include "audio/samplering.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SwrContext;

namespace qwaudio {

class ByteBuffer;
class Output;

class Channel : public NetSourceListener, public std::enable_shared_from_this<Channel> {
public:
    Channel(DWORD handle, DWORD flags, StreamKind kind, Output* output);
    ~Channel() override;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Opening, on the creating thread: 0 or a BASS_ERROR_* code. On success call start().
    int openUrl(const std::string& url, DOWNLOADPROC* proc, void* user);
    int openFile(const std::string& path);
    int openMemory(const void* data, size_t length);
    // After openUrl failed because its decoder refused the format it found, the connection and
    // the bytes read are still here: true when a decoder of another kind can start from them.
    bool canReopen() const;
    // Tries the decoder of kind on that connection, as openUrl would have; same results.
    int reopenAs(StreamKind kind);
    // Starts decoding and lets the download callback and the syncs run.
    void start();
    // Stops every thread and callback: no callback of this channel starts after it returns,
    // and one running on another thread has finished. Returns within a few milliseconds.
    void shutdown();
    // Abort of an open in progress (BASS_Free during a create).
    void abortOpen();

    // Channels not yet destroyed (their threads may still be ending).
    static int liveCount();

    DWORD handle() const { return m_handle; }
    DWORD flags() const { return m_flags; }
    bool isDecodeOnly() const { return (m_flags & BASS_STREAM_DECODE) != 0; }

    // API calls (any thread); error codes as BASS_ERROR_*, 0 for success.
    int play(bool restart);
    int pause();
    int stop();
    DWORD activeState() const;
    void info(BASS_CHANNELINFO* info) const;
    const char* tags(DWORD type) const;
    int setAttribute(DWORD attrib, float value);
    int attribute(DWORD attrib, float* value) const;
    int slideAttribute(DWORD attrib, float value, DWORD timeMs);
    bool isSliding(DWORD attrib) const;
    DWORD level() const;
    // Bytes written to buffer, or (DWORD)-1 with an error in *error.
    DWORD data(void* buffer, DWORD length, int* error);
    QWORD filePosition(DWORD mode) const;
    QWORD position() const;
    QWORD length() const;
    double bytesToSeconds(QWORD bytes) const;
    QWORD secondsToBytes(double seconds) const;
    HSYNC addSync(HSYNC handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
    bool removeSync(HSYNC handle);
    HDSP addDsp(HDSP handle, DSPPROC* proc, void* user, int priority);
    bool removeDsp(HDSP handle);
    // Effects and encoders, run on the decoder thread after the DSP callbacks.
    EffectChain& effects() { return m_effects; }
    EncoderFeed& encoders() { return m_encoders; }
    // Whether encoder cuts can find their source byte: the decoded blocks carry positions in
    // the byte count of filePosition() (not so for addresses FFmpeg reads by itself).
    bool cutsPossible() const { return !m_direct && m_encoders.positionsKnown() != 0; }

    // Output thread only.
    void mixInto(float* out, int frames);
    // Ticker thread: slides, stall and end syncs. True when the channel asks to be freed.
    bool tick();

private:
    enum PlayState { Stopped = 0, Playing = 1, Paused = 3 };
    struct Sync {
        HSYNC handle;
        DWORD type;
        QWORD param;
        SYNCPROC* proc;
        void* user;
    };
    struct Dsp {
        HDSP handle;
        DSPPROC* proc;
        void* user;
        int priority;
    };
    struct Slide {
        bool active = false;
        DWORD attrib = 0;
        float from = 0;
        float to = 0;
        std::chrono::steady_clock::time_point start;
        std::chrono::milliseconds duration{0};
    };

    // NetSourceListener, network thread.
    void onNetData(const uint8_t* data, size_t length) override;
    void onNetMeta(const std::string& text) override;
    void onNetEnd() override;
    void onOggComments(const std::vector<std::string>& comments);
    // Gives a started stream's data to the download callback, then to the Ogg title scanner.
    void handOn(const uint8_t* data, size_t length);

    static Decoder::Deadline openDeadline();
    int openNetwork(const std::string& url, int depth, Decoder::Deadline deadline);
    // The decoder on the connection's buffer, starting from probed (bytes a decoder of another
    // kind read before it refused them); sizes the buffer from the bit rate.
    int openBufferedDecoder(const std::string& contentType, Decoder::Deadline deadline,
                            std::vector<uint8_t> probed);
    int openDirect(const std::string& url, Decoder::Deadline deadline);
    void startThread(std::thread& thread, void (Channel::*body)());
    void netThread();
    void decodeThread();
    bool pushSamples(const float* samples, size_t count);
    // A network stream's next byte to decode: the demuxer's position once it has parsed any,
    // before that what it has taken from the download buffer.
    QWORD currentSourceByte() const;
    // Until the ring holds a device period of samples (or the source ended, or a short
    // time passed): a channel joining the output then sounds at the device's next period.
    void awaitFirstBlock();
    void convertForOutput(const std::vector<float>& in, int rate, int channels,
                          std::vector<float>& out);
    void runDsp(std::vector<float>& samples);
    // The container's comments as Ogg tags, or ASF header values (opening) and changes.
    enum class TagOrigin { Opening, Change };
    void updateDecoderTags(TagOrigin origin);
    void fireSyncs(DWORD type, DWORD data);
    void deliverDownload(const void* data, DWORD length);
    // Callers hold m_callbackMutex, which keeps the order of what reaches the callback.
    void flushPendingDownload();
    void deliverHeaderBlock();
    void setTag(DWORD type, std::string value);
    int bytesPerSample() const;
    // The mixer value behind BASS_ATTRIB_VOL or BASS_ATTRIB_PAN; null for any other attribute.
    const std::atomic<float>* mixValue(DWORD attrib) const;
    std::atomic<float>* mixValue(DWORD attrib);

    const DWORD m_handle;
    const DWORD m_flags;
    StreamKind m_kind; // set while opening, then read-only
    Output* const m_output;
    std::string m_name; // set while opening, then read-only

    // Sources; set while opening, then used by their threads.
    std::unique_ptr<ByteBuffer> m_buffer;
    std::unique_ptr<NetSource> m_net;
    // Ogg streams over the network: comment headers of new chain links (network thread).
    std::unique_ptr<OggCommentScanner> m_oggScanner;
    std::unique_ptr<Decoder> m_decoder;
    bool m_direct = false; // FFmpeg reads the address itself (no network source)
    std::thread m_netThread;
    std::thread m_decodeThread;
    std::atomic<bool> m_abort{false};
    std::mutex m_wakeMutex; // wakes the decoder thread's waits on abort
    std::condition_variable m_wake;
    std::condition_variable m_decodedWake; // under m_wakeMutex: samples reached the ring

    // Download callback: set while opening, then called on the network thread.
    DOWNLOADPROC* m_downloadProc = nullptr;
    void* m_downloadUser = nullptr;
    // Until start(), data and the end of the download wait here; the first callback after
    // start() hands them on, preceded by the header block.
    std::mutex m_pendingMutex;
    std::atomic<bool> m_started{false};     // written under m_pendingMutex
    bool m_headerDelivered = false;         // guarded by m_pendingMutex
    std::vector<uint8_t> m_pendingDownload; // guarded by m_pendingMutex
    bool m_pendingEnd = false;              // guarded by m_pendingMutex

    // Decoded format, written by the decoder thread, read anywhere.
    std::atomic<int> m_rate{0};
    std::atomic<int> m_channels{0};
    std::atomic<uint32_t> m_channelType{0};
    int m_originalBits = 0; // set by start() before the decoder thread, then read-only

    // Samples for the mixer (stereo at the output rate) or, for decoding channels, for
    // BASS_ChannelGetData (the channel's own format). Decoder thread writes, mixer reads.
    SampleRing m_ring;
    std::atomic<bool> m_sourceEnded{false};
    bool m_played = false; // guarded by m_wakeMutex: play() was called once
    std::atomic<int> m_state{Stopped};
    std::atomic<bool> m_stalled{false};
    std::atomic<bool> m_drained{false};
    std::atomic<float> m_volume{1.0f};
    std::atomic<float> m_pan{0.0f};
    std::atomic<float> m_frequency{0.0f}; // 0: the stream's own rate
    std::atomic<uint32_t> m_levelLeft{0};
    std::atomic<uint32_t> m_levelRight{0};
    std::atomic<uint64_t> m_playedFrames{0};     // output frames heard
    std::atomic<uint64_t> m_deliveredSamples{0}; // decoding channels: samples handed out
    std::vector<float> m_mixScratch;             // mixer only, allocated once
    // The latest output frames, stereo: the mixer writes while BASS_ChannelGetData reads, so
    // each sample is atomic (a read may mix two blocks at its oldest end, never a torn value).
    std::vector<std::atomic<float>> m_heard;
    std::atomic<size_t> m_heardPos{0};

    // Ticker thread only.
    bool m_reportedStall = false;
    bool m_endReported = false;

    mutable std::mutex m_slideMutex;
    Slide m_slide; // guarded by m_slideMutex

    mutable std::mutex m_listMutex;
    std::vector<Sync> m_syncs; // guarded by m_listMutex
    std::vector<Dsp> m_dsps;   // guarded by m_listMutex
    EffectChain m_effects;     // any thread: guards its list itself
    EncoderFeed m_encoders;    // any thread: guards its list itself

    // Held while a user callback runs; shutdown() takes it to wait for a running one.
    std::recursive_mutex m_callbackMutex;
    bool m_freed = false; // guarded by m_callbackMutex

    mutable std::mutex m_tagMutex;
    // Recent values per tag type; older ones stay alive a while for readers of the pointer.
    std::map<DWORD, std::deque<std::string>> m_tags; // guarded by m_tagMutex

    // Decoder thread only.
    SwrContext* m_swr = nullptr;
    int m_swrInRate = 0;
    int m_swrChannels = 0;
    std::vector<int16_t> m_dspShorts;
};

} // namespace qwaudio
