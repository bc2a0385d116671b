#pragma once

// The library's housekeeping thread: it runs one function (volume slides, stall and end
// detection with their syncs, automatic freeing, stopping an unused device) every 20 ms while
// the function reports work in progress (a slide), every 50 ms while there is something to
// watch, and not at all while it reports nothing to do, until woken. Started by BASS_Init,
// stopped by BASS_Free; owned by Library. Syncs it fires run on this thread, never on the
// mixer's.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace qwaudio {

class Ticker {
public:
    enum class Pace { Quick, Watching, Asleep };

    ~Ticker();

    // tick returns the pace it needs next.
    void start(std::function<Pace()> tick);
    // Runs the function soon, also when it has fallen asleep; any thread.
    void wake();
    // Returns at once when called from the tick itself; otherwise once the thread has ended.
    void stop();
    bool isTickerThread() const;

private:
    void run(const std::function<Pace()>& tick);

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_stop = false;  // guarded by m_mutex
    bool m_woken = false; // guarded by m_mutex: a wake since the last tick began
};

} // namespace qwaudio
