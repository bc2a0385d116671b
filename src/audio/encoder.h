#pragma once

// One encoder program fed with a channel's samples after its DSP and effects. The decoder
// thread hands samples to feed(), which only converts and queues them and never waits; the
// encoder's pump thread writes the queue to the program's input, hands what the program writes
// to the ENCODEPROC, and reaps the program. A program that exits, or that takes nothing for a
// second while samples wait (after a start-up grace), is ended and makes the encoder inactive. A
// decoding channel read faster than the program encodes waits in feed() for room, but only while
// the program keeps taking samples. Created by BASS_Encode_Start; shared by the handle table, the
// channel's feed and its own pump thread, which keeps it alive until the program has been reaped.

#include "audio/bass.h"
#include "audio/childprocess.h"
#include "audio/pcmformat.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qwaudio {

class Encoder : public std::enable_shared_from_this<Encoder> {
public:
    struct Setup {
        HENCODE handle = 0;
        DWORD channel = 0;
        DWORD flags = 0;        // BASS_Encode_Start's flags
        DWORD channelFlags = 0; // the channel's BASS_SAMPLE_* flags
        int rate = 44100;
        int channels = 2;
        ENCODEPROC* proc = nullptr;
        void* user = nullptr;
    };

    explicit Encoder(const Setup& setup);
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // Starts the program; 0, or BASS_ERROR_FILEOPEN when it cannot be found or started.
    int start(const std::string& commandLine);
    // Decoder thread: queues interleaved float samples.
    void feed(const float* samples, size_t count);
    // No more samples: the input closes once the queue is written. Any thread, returns at once.
    void finish();
    // Finishes, then waits until the program has ended and its output was handed over.
    void stop();
    // No ENCODEPROC call starts after this returns, and none is still running (unless the
    // caller is that call). The program still finishes in the background.
    void detachOutput();

    bool active() const { return m_active.load(); }
    HENCODE handle() const { return m_setup.handle; }
    DWORD channel() const { return m_setup.channel; }
    bool autoFree() const { return (m_setup.flags & BASS_ENCODE_AUTOFREE) != 0; }

private:
    using Clock = std::chrono::steady_clock;
    void pump();
    // Wakes the pump thread; called under m_mutex, which also guards the descriptor's life.
    void wake();
    void closeInput(Clock::time_point& closedAt);
    bool writeInput(std::vector<uint8_t>& chunk, size_t& written, Clock::time_point& progress);
    void readOutput();
    void deliver(const uint8_t* data, size_t length);

    const Setup m_setup;
    const PcmFormat m_format;
    const size_t m_queueLimit;
    ChildProcess m_process; // pump thread only once started
    int m_wakeFd = -1;      // guarded by m_mutex once the pump runs
    std::thread m_pump;
    std::atomic<bool> m_active{false};

    std::mutex m_mutex;
    std::vector<uint8_t> m_queue;      // guarded by m_mutex
    bool m_finishing = false;          // guarded by m_mutex
    bool m_inputClosed = false;        // guarded by m_mutex
    bool m_ended = false;              // guarded by m_mutex
    std::condition_variable m_changed; // room in the queue, input closed or program ended

    std::mutex m_outputMutex;      // held while the ENCODEPROC runs
    bool m_outputDetached = false; // guarded by m_outputMutex

    std::vector<uint8_t> m_converted; // decoder thread only
};

} // namespace qwaudio
