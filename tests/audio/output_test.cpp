// What is heard: the mixer's output captured by SDL's disk driver while the Icecast MP3 mount
// plays through the default device.

#include "audio/bass.h"
#include "audio/library.h"
#include "audiohelpers.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace qwaudiotest;

namespace {

constexpr int kRate = 44100;
constexpr size_t kFrameBytes = 2 * sizeof(float);

size_t fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size_t(size);
}

struct Segment {
    double frequency;
    float peak;
};

// Left channel of frames [from, to) of the captured float stereo file.
Segment analyse(const std::vector<float>& samples, size_t from, size_t to) {
    Segment segment{0, 0};
    int crossings = 0;
    for (size_t frame = from + 1; frame < to && 2 * frame < samples.size(); ++frame) {
        const float now = samples[2 * frame];
        crossings += (samples[2 * (frame - 1)] < 0) != (now < 0);
        segment.peak = std::max(segment.peak, std::abs(now));
    }
    segment.frequency = crossings / 2.0 / (double(to - from) / kRate);
    return segment;
}

} // namespace

// Runs first: SDL does not fall back to another driver by itself, so an output that cannot
// open must come back as an error code, and a later set-up must still work.
TEST(Output, DeviceThatCannotOpenGivesDriverError) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(1, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "none.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    // Device 0 needs no driver at all.
    ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_GetDevice(), 0u);
    EXPECT_TRUE(BASS_Free());
}

TEST(Output, DiskDriverHearsTheSineAtTheVolumeAndSilenceAfterTheSlide) {
    const std::string mount = qwtest::icecastUrl("/mp3");
    ASSERT_FALSE(mount.empty()) << "Icecast fixture not running";
    const std::string capture = (std::filesystem::temp_directory_path() /
                                 ("qw_output_" + std::to_string(getpid()) + ".raw"))
                                    .string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.c_str(), 1);
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();

    HSTREAM stream = BASS_StreamCreateURL(mount.c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.5f));
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(waitFor([&] { return fileSize(capture) > 3 * kRate * kFrameBytes; }, 10000));
    const size_t playing = fileSize(capture) / kFrameBytes;
    // The level follows what is heard: half of the sine's 0.5 peak.
    EXPECT_NEAR(int(BASS_ChannelGetLevel(stream) & 0xFFFF), 8192, 1200);

    ASSERT_TRUE(BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_VOL, 0.0f, 300));
    ASSERT_TRUE(waitFor([&] { return !BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL); }, 3000));
    ASSERT_TRUE(waitFor([&] { return BASS_ChannelGetLevel(stream) == 0; }, 1000));
    const size_t silentFrom = fileSize(capture) / kFrameBytes + kRate / 10;
    ASSERT_TRUE(
        waitFor([&] { return fileSize(capture) / kFrameBytes > silentFrom + kRate / 2; }, 5000));
    const size_t silentTo = fileSize(capture) / kFrameBytes;
    EXPECT_TRUE(BASS_Free());

    std::vector<float> samples(fileSize(capture) / sizeof(float));
    std::ifstream in(capture, std::ios::binary);
    in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * 4));
    std::filesystem::remove(capture);

    const Segment heard = analyse(samples, playing - kRate, playing);
    EXPECT_NEAR(heard.frequency, 440.0, 3.0);
    EXPECT_NEAR(heard.peak, 0.25f, 0.03f);
    const Segment after = analyse(samples, silentFrom, silentTo);
    EXPECT_LT(after.peak, 0.001f);
}

// An idle program holds no sound device and its housekeeping sleeps: the device stops a while
// after the last stream left the mix, and a stream created later starts both again.
TEST(Output, DeviceRunsOnlyWhileSomethingPlays) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    qwaudio::Output& output = qwaudio::Library::instance().output();
    ASSERT_TRUE(waitFor([&] { return !output.deviceRunning(); }, 10000));

    const std::string tone = tempPath("idle_tone.wav");
    writeToneWav(tone, kRate, 0.3, 440, 0.5, 440, 0.5);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, tone.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_FALSE(output.deviceRunning());
    std::atomic<bool> ended{false};
    BASS_ChannelSetSync(
        stream, BASS_SYNC_END, 0,
        [](HSYNC, DWORD, DWORD, void* flag) { static_cast<std::atomic<bool>*>(flag)->store(true); },
        &ended);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE)) << BASS_ErrorGetCode();
    EXPECT_TRUE(output.deviceRunning());
    // The end is noticed by the housekeeping thread, so it woke for the new stream.
    EXPECT_TRUE(waitFor([&] { return ended.load(); }, 10000));
    EXPECT_GT(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);
    BASS_StreamFree(stream);
    EXPECT_TRUE(waitFor([&] { return !output.deviceRunning(); }, 10000));
    EXPECT_TRUE(BASS_Free());
    std::filesystem::remove(tone);
}

TEST(Output, RecordingDevicesAreListedUntilTheLastOne) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    DWORD count = 0;
    BASS_DEVICEINFO info;
    while (count < 64 && BASS_RecordGetDeviceInfo(count, &info)) {
        EXPECT_NE(info.name, nullptr);
        EXPECT_STREQ(info.driver, "disk");
        ++count;
    }
    EXPECT_LT(count, 64u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    EXPECT_FALSE(BASS_RecordGetDeviceInfo(0, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST(Output, LinkedChannelsPlayPauseAndStopTogether) {
    ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr));
    const std::string path = tempPath("links.wav");
    writeToneWav(path, kRate, 5.0, 440, 0.5, 440, 0.5);
    HSTREAM first = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    HSTREAM second = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    HSTREAM decoding = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_NE(decoding, 0u);

    ASSERT_TRUE(BASS_ChannelSetLink(first, second));
    EXPECT_FALSE(BASS_ChannelSetLink(first, second));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    EXPECT_FALSE(BASS_ChannelSetLink(first, decoding));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);

    ASSERT_TRUE(BASS_ChannelPlay(first, FALSE));
    EXPECT_NE(BASS_ChannelIsActive(second), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(BASS_ChannelPause(first));
    EXPECT_EQ(BASS_ChannelIsActive(second), DWORD(BASS_ACTIVE_PAUSED));
    ASSERT_TRUE(BASS_ChannelStop(first));
    EXPECT_EQ(BASS_ChannelIsActive(second), DWORD(BASS_ACTIVE_STOPPED));

    // One way only, and gone once removed.
    ASSERT_TRUE(BASS_ChannelPlay(second, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(first), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(BASS_ChannelStop(second));
    ASSERT_TRUE(BASS_ChannelRemoveLink(first, second));
    EXPECT_FALSE(BASS_ChannelRemoveLink(first, second));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    ASSERT_TRUE(BASS_ChannelPlay(first, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(second), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(BASS_Free());
    std::filesystem::remove(path);
}
