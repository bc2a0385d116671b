#pragma once

// The library's housekeeping thread: every 20 ms it runs one function (volume slides, stall and
// end detection with their syncs, automatic freeing). Started by BASS_Init, stopped by
// BASS_Free; owned by Library. Syncs it fires run on this thread, never on the mixer's.

#include <atomic>
#include <functional>
#include <thread>

namespace qwaudio {

class Ticker {
public:
    ~Ticker();

    void start(std::function<void()> tick);
    // Returns at once when called from the tick itself; otherwise once the thread has ended.
    void stop();
    bool isTickerThread() const;

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace qwaudio
