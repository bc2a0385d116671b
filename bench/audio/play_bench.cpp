// Plays one address through the audio library for a fixed time and reports the seconds from the
// create call to the first sample heard, the process's CPU seconds and its peak memory.
// With "eq" the ten equaliser bands the player uses are on; with "mp3" the samples are also
// encoded by lame as the recorder runs it (its output counted, then dropped).
// Usage: qw_play_bench URL SECONDS [eq|mp3]   (output: SDL's default; bench/run picks the driver)

#include "audio/bass.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// The player's band centres with the "Rock" preset's gains.
void addEqualiser(HSTREAM stream) {
    const float centres[] = {80, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};
    const float gains[] = {-1, 1, 2, 3, -1, -1, 0, 0, 4, 4};
    for (int band = 0; band < 10; ++band) {
        const BASS_DX8_PARAMEQ params{centres[band], 11.4f, gains[band]};
        BASS_FXSetParameters(BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0), &params);
    }
}

unsigned long long g_encodedBytes = 0;

void countEncoded(HENCODE, DWORD, const void*, DWORD length, void*) {
    g_encodedBytes += length;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s URL SECONDS [eq|mp3]\n", argv[0]);
        return 2;
    }
    const char* mode = argc == 4 ? argv[3] : "";
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
    if (std::strcmp(mode, "eq") == 0)
        addEqualiser(stream);
    const HENCODE encoder = std::strcmp(mode, "mp3") == 0
                                ? BASS_Encode_Start(stream, "lame --cbr -b 128 -t -r -s 44.1 -",
                                                    0x40005, countEncoded, nullptr)
                                : 0;
    BASS_ChannelPlay(stream, FALSE);
    // The position counts samples the mixer has handed to the output.
    while (BASS_ChannelGetPosition(stream, BASS_POS_BYTE) == 0 &&
           Clock::now() - start < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    const double firstSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_until(start + std::chrono::duration<double>(seconds));
    const double heard =
        BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetPosition(stream, BASS_POS_BYTE));
    if (encoder)
        BASS_Encode_Stop(encoder);
    BASS_Free();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    std::printf("create_s=%.3f first_audio_s=%.3f heard_s=%.1f cpu_s=%.2f rss_kb=%ld "
                "encoded_bytes=%llu\n",
                createSeconds, firstSeconds, heard, cpu, usage.ru_maxrss, g_encodedBytes);
    return 0;
}
