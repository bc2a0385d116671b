#pragma once

// The library's process-wide state: initialisation, the output, the housekeeping thread and the
// table of live channels by handle. Any thread (one mutex guards the table); one instance.

#include "audio/bass.h"
#include "audio/output.h"
#include "audio/ticker.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace qwaudio {

class Channel;

class Library {
public:
    static Library& instance();

    // 0 or a BASS_ERROR_* code.
    int init(int device, DWORD rate, DWORD flags);
    int free();
    bool initialised() const;
    int device() const;
    DWORD initFlags() const;
    Output& output() { return m_output; }

    DWORD newHandle();
    // Null when the handle is not a live channel.
    std::shared_ptr<Channel> channel(DWORD handle) const;
    // The owner of the creates the calling thread makes from now on.
    static void setCreateOwner(const void* owner);
    // A create in progress, so that BASS_Free and its owner's abort can end it; false when its
    // owner's creates are refused.
    bool beginCreate(const std::shared_ptr<Channel>& channel);
    // Ends the create; false when BASS_Free ran meanwhile (the channel is then not added).
    bool finishCreate(const std::shared_ptr<Channel>& channel, bool succeeded);
    bool freeChannel(DWORD handle);
    // abort: ends owner's creates in progress and refuses new ones; else accepts them again.
    void abortCreates(const void* owner, bool abort);

private:
    // How long the device keeps running after the last channel left the mix: a station change
    // stops one stream and starts the next without reopening it.
    static constexpr int kDeviceIdleMs = 1000;

    Library() = default;
    Ticker::Pace tick();

    mutable std::mutex m_mutex;
    bool m_initialised = false;                                     // guarded by m_mutex
    int m_device = -1;                                              // guarded by m_mutex
    DWORD m_initFlags = 0;                                          // guarded by m_mutex
    std::unordered_map<DWORD, std::shared_ptr<Channel>> m_channels; // guarded by m_mutex
    struct Creating {
        std::weak_ptr<Channel> channel;
        const void* owner;
    };
    std::vector<Creating> m_creating;                               // guarded by m_mutex
    std::vector<const void*> m_refusedOwners;                       // guarded by m_mutex
    std::atomic<DWORD> m_nextHandle{1};
    Output m_output;
    Ticker m_ticker;
};

} // namespace qwaudio
