// Shared helpers of the audio library's tests: waiting for a condition, and a recorder of sync
// callbacks that tests read from their own thread.
#pragma once

#include "audio/bass.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
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

// A file in the temporary folder named after the test process, removed by the caller.
inline std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            ("qw_" + std::to_string(getpid()) + "_" + name))
        .string();
}

// Writes a 16-bit stereo WAV file: a sine per channel (0 Hz: silence) at the given peaks.
inline void writeToneWav(const std::string& path, int rate, double seconds, double leftHz,
                         double leftPeak, double rightHz, double rightPeak) {
    const uint32_t frames = uint32_t(seconds * rate);
    const uint32_t dataBytes = frames * 4;
    FILE* file = std::fopen(path.c_str(), "wb");
    auto put = [file](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            std::fputc(int((value >> (8 * i)) & 0xFF), file);
    };
    std::fputs("RIFF", file);
    put(36 + dataBytes, 4);
    std::fputs("WAVEfmt ", file);
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(uint32_t(rate), 4);
    put(uint32_t(rate) * 4, 4);
    put(4, 2);
    put(16, 2);
    std::fputs("data", file);
    put(dataBytes, 4);
    for (uint32_t frame = 0; frame < frames; ++frame) {
        const double t = double(frame) / rate;
        put(uint16_t(int16_t(std::lrint(leftPeak * 32767 * std::sin(2 * M_PI * leftHz * t)))), 2);
        put(uint16_t(int16_t(std::lrint(rightPeak * 32767 * std::sin(2 * M_PI * rightHz * t)))), 2);
    }
    std::fclose(file);
}

// Every float sample of a decoding channel, read until it ends.
inline std::vector<float> drainFloat(HSTREAM stream) {
    std::vector<float> all;
    float block[8192];
    for (;;) {
        const DWORD got = BASS_ChannelGetData(stream, block, sizeof block | BASS_DATA_FLOAT);
        if (got == DWORD(-1) || got == 0)
            break;
        all.insert(all.end(), block, block + got / sizeof(float));
    }
    return all;
}

// Largest magnitude of one channel of interleaved stereo frames [from, to).
inline float stereoPeak(const std::vector<float>& samples, size_t from, size_t to, int channel) {
    float peak = 0;
    for (size_t frame = from; frame < to && 2 * frame + 1 < samples.size(); ++frame)
        peak = std::max(peak, std::abs(samples[2 * frame + size_t(channel)]));
    return peak;
}

} // namespace qwaudiotest
