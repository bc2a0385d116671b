#pragma once

// The library's housekeeping thread: it runs one function (volume slides, stall and end
// detection with their syncs, automatic freeing) every 20 ms while the function reports work in
// progress (a slide), else every 50 ms. Started by BASS_Init, stopped by
// BASS_Free; owned by Library. Syncs it fires run on this thread, never on the mixer's.

#include <atomic>
#include <functional>
#include <thread>

namespace qwaudio {

class Ticker {
public:
    ~Ticker();

    // tick returns true while it needs the quicker pace.
    void start(std::function<bool()> tick);
    // Returns at once when called from the tick itself; otherwise once the thread has ended.
    void stop();
    bool isTickerThread() const;

private:
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace qwaudio
