#pragma once

// The library's process-wide state: initialisation, the output, the housekeeping thread and the
// table of live channels by handle. Any thread (one mutex guards the table); one instance.

#include "audio/bass.h"
#include "audio/output.h"
#include "audio/ticker.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
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
    // A network create whose decoder refused the format keeps its connection here, so that the
    // caller's next create of the same address (a decoder of another kind, as the engine tries
    // them in turn) starts from it instead of connecting again. Any other create, BASS_Free or
    // a while without one ends it.
    struct CreateKey {
        std::string url;
        DWORD flags = 0;
        DOWNLOADPROC* proc = nullptr;
        void* user = nullptr;
        bool operator==(const CreateKey& other) const;
    };
    void park(const std::shared_ptr<Channel>& channel, CreateKey key);
    // The parked channel when it was parked by this thread under the same key, else null.
    std::shared_ptr<Channel> takeParked(const CreateKey& key);
    // abort: ends owner's creates in progress and refuses new ones; else accepts them again.
    void abortCreates(const void* owner, bool abort);

private:
    // How long the device keeps running after the last channel left the mix: none. A running
    // device sounds a joining stream only at its next period, up to a period late, where a
    // device opened for it carries the stream's first samples in its first period.
    static constexpr int kDeviceIdleMs = 0;
    // How long a parked connection waits for the next create.
    static constexpr int kParkedMs = 2000;

    Library() = default;
    Ticker::Pace tick();
    // Ends the parked channel when it is older than maxAgeMs (0: in any case); true when
    // one is still parked.
    bool expireParked(int maxAgeMs);

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
    struct Parked {
        std::shared_ptr<Channel> channel;
        CreateKey key;
        std::thread::id thread;
        std::chrono::steady_clock::time_point since;
    };
    Parked m_parked; // guarded by m_mutex
    std::atomic<DWORD> m_nextHandle{1};
    Output m_output;
    Ticker m_ticker;
};

} // namespace qwaudio
