// Plays one address through the audio library for a fixed time and reports the seconds from the
// create call to the first sample heard, the process's CPU seconds and its peak memory.
// Usage: qw_play_bench URL SECONDS   (output device: SDL's default; bench/run picks the driver)

#include "audio/bass.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL SECONDS\n", argv[0]);
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "BASS_Init failed: %d\n", BASS_ErrorGetCode());
        return 1;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const HSTREAM stream = BASS_StreamCreateURL(argv[1], 0, 0, nullptr, nullptr);
    if (!stream) {
        std::fprintf(stderr, "create failed: %d\n", BASS_ErrorGetCode());
        BASS_Free();
        return 1;
    }
    const double createSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    BASS_ChannelPlay(stream, FALSE);
    // The position counts samples the mixer has handed to the output.
    while (BASS_ChannelGetPosition(stream, BASS_POS_BYTE) == 0 &&
           Clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    const double firstSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_until(start + std::chrono::duration<double>(seconds));
    const double heard =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    BASS_Free();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("create_s=%.3f first_audio_s=%.3f heard_s=%.1f cpu_s=%.2f rss_kb=%ld\n",
                createSeconds, firstSeconds, heard, cpu, usage.ru_maxrss);
    return 0;
}
