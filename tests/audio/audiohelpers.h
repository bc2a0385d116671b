// Shared helpers of the audio library's tests: waiting for a condition, and a recorder of sync
// callbacks that tests read from their own thread.
#pragma once

#include "audio/bass.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qwaudiotest {

// Polls until pred holds or limitMs pass (a correctness limit, not a speed measure).
inline bool waitFor(const std::function<bool()>& pred, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Collects (type, data) of the syncs reported to it through TypedSync.
struct SyncLog {
    struct Entry {
        DWORD type;
        DWORD data;
    };
    std::mutex mutex;
    std::vector<Entry> entries;

    std::vector<Entry> snapshot() {
        std::lock_guard lock(mutex);
        return entries;
    }
    bool has(DWORD type, DWORD data) {
        for (const auto& entry : snapshot()) {
            if (entry.type == type && entry.data == data)
                return true;
        }
        return false;
    }
};

// One SyncLog per sync type keeps the type known inside the callback.
struct TypedSync {
    SyncLog* log;
    DWORD type;
    static void proc(HSYNC, DWORD, DWORD data, void* user) {
        auto* self = static_cast<TypedSync*>(user);
        std::lock_guard lock(self->log->mutex);
        self->log->entries.push_back({self->type, data});
    }
};

} // namespace qwaudiotest
