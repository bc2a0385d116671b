#pragma once

// Sound output: an SDL device, or for device 0 ("No sound") a thread that consumes samples in
// real time against the clock. The mixer (SDL's callback or that thread) sums the playing
// channels as 32-bit float stereo at the device rate; it never allocates, blocks, logs or
// touches the network. The device (or the clock) runs only while a channel is in the mix, so
// that an idle program neither wakes up nor holds the sound server.
// open/close/add/remove/closeIfUnused: any thread; mix: output thread. Owned by Library.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qwaudio {

class Channel;

class Output {
public:
    static constexpr int kMaxChannels = 64;
    static constexpr int kMaxBlockFrames = 4096;
    static constexpr int kChannels = 2;

    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Device 0: the clock; 1: SDL's default output; 2..: SDL's output number device - 2.
    // 0 or a BASS_ERROR_* code.
    int open(int device, int rate);
    void close();
    bool isOpen() const { return m_open; }
    // Pauses or resumes the whole output (BASS_Stop / BASS_Start).
    void setRunning(bool running);
    bool running() const { return m_running; }
    int rate() const { return m_rate; }
    int device() const { return m_deviceIndex; }
    float cpuPercent() const { return m_cpuPercent.load(); }

    // 0, BASS_ERROR_NOCHAN when every slot is taken, or the error of starting the device.
    int addChannel(Channel* channel);
    // Returns once the mixer no longer uses the channel.
    void removeChannel(Channel* channel);
    // Stops the device when no channel has been in the mix for idleMs; true when it is stopped.
    bool closeIfUnused(int idleMs);
    // The device (or the clock) is running now.
    bool deviceRunning();

    // SDL's output device names and the driver in use; SDL's audio part is started if needed.
    static std::vector<std::string> deviceNames();
    static std::vector<std::string> captureDeviceNames();
    static std::string driverName();

    // Frames the "No sound" clock mixes at each wake-up: about 46 ms at 44.1 kHz, well inside
    // what a channel's sample ring holds ahead; a level read then follows the sound closely.
    static constexpr int kClockBlockFrames = 2048;

private:
    static void sdlCallback(void* self, uint8_t* stream, int length);
    void mix(float* out, int frames);
    void clockLoop();
    bool hasChannels() const;
    // Starting and stopping the device itself; callers hold m_deviceMutex.
    int startDeviceLocked();
    void stopDeviceLocked();

    // Filled and emptied by any thread, read by the mixer without a lock.
    std::array<std::atomic<Channel*>, kMaxChannels> m_slots{};
    std::atomic<uint64_t> m_mixSeq{0}; // mixer writes: odd while a mix runs
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_running{false};
    std::atomic<float> m_cpuPercent{0}; // mixer writes
    std::mutex m_deviceMutex;
    // Written by open() under m_deviceMutex before the device or the clock starts, then
    // read-only until close(): the mixer and the channels read them without a lock.
    int m_deviceIndex = -1;
    int m_rate = 44100;
    std::string m_sdlName;     // guarded by m_deviceMutex: empty for SDL's default
    uint32_t m_sdlDevice = 0;  // guarded by m_deviceMutex
    bool m_sdlStarted = false; // guarded by m_deviceMutex
    std::thread m_clock;       // guarded by m_deviceMutex
    std::chrono::steady_clock::time_point m_lastUsed; // guarded by m_deviceMutex
    std::mutex m_clockMutex; // pairs with m_clockWake, which ends the clock's sleep
    std::condition_variable m_clockWake;
    std::atomic<bool> m_clockStop{false};
    std::vector<float> m_clockBuffer; // clock thread only; sized by open() before it starts
};

} // namespace qwaudio
