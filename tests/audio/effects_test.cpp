// Effects on real decoded audio: the equaliser heard through SDL's disk driver, the compressor
// and the automatic gain on decoding channels, parameter hand-over, and changes while playing
// that must not click. Also: the library leaves the process's signals alone.

#include "audio/bass.h"
#include "audiohelpers.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace qwaudiotest;

namespace {

constexpr int kRate = 44100;

double decibels(double ratio) {
    return 20.0 * std::log10(ratio);
}

size_t fileSize(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : size_t(size);
}

std::vector<float> readFloats(const std::string& path) {
    std::vector<float> samples(fileSize(path) / sizeof(float));
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(samples.data()), std::streamsize(samples.size() * 4));
    return samples;
}

// Frames of interleaved stereo up to the last one that is not silent.
size_t soundEnd(const std::vector<float>& samples) {
    size_t frame = samples.size() / 2;
    while (frame > 0 && std::abs(samples[2 * frame - 2]) < 1e-4f &&
           std::abs(samples[2 * frame - 1]) < 1e-4f)
        --frame;
    return frame;
}

HSTREAM decodeFile(const std::string& path) {
    return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
}

class Effects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture().c_str(), 1);
        ASSERT_TRUE(BASS_Init(1, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    }
    static void TearDownTestSuite() {
        BASS_Free();
        std::filesystem::remove(capture());
    }
    static std::string capture() { return tempPath("effects_capture.raw"); }
    void TearDown() override {
        for (const std::string& file : m_files)
            std::filesystem::remove(file);
    }
    std::string tone(const std::string& name, double seconds, double leftHz, double leftPeak,
                     double rightHz, double rightPeak) {
        const std::string path = tempPath(name);
        writeToneWav(path, kRate, seconds, leftHz, leftPeak, rightHz, rightPeak);
        m_files.push_back(path);
        return path;
    }
    std::vector<std::string> m_files;
};

} // namespace

TEST_F(Effects, SdlLeavesInterruptAndTerminateToTheProgram) {
    // The output is open (disk driver): SDL's audio start would have taken these over.
    for (int signal : {SIGINT, SIGTERM}) {
        struct sigaction action {};
        ASSERT_EQ(sigaction(signal, nullptr, &action), 0);
        EXPECT_EQ(action.sa_handler, SIG_DFL) << signal;
    }
}

TEST_F(Effects, EqualiserBandRaisesItsToneAndLeavesTheOtherHeard) {
    // Left 1 kHz, right 100 Hz, both at a quarter of full scale.
    const std::string path = tone("eq.wav", 2.0, 1000, 0.25, 100, 0.25);
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    HFX band = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0);
    ASSERT_NE(band, 0u) << BASS_ErrorGetCode();
    const BASS_DX8_PARAMEQ boost{1000.0f, 11.4f, 6.0f};
    ASSERT_TRUE(BASS_FXSetParameters(band, &boost));
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(
        waitFor([&] { return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED; }, 10000));

    const std::vector<float> heard = readFloats(capture());
    const size_t end = soundEnd(heard);
    ASSERT_GT(end, size_t(kRate));
    const size_t from = end - kRate * 6 / 10;
    const size_t to = end - kRate / 10;
    EXPECT_NEAR(decibels(stereoPeak(heard, from, to, 0) / 0.25), 6.0, 0.5);
    EXPECT_NEAR(decibels(stereoPeak(heard, from, to, 1) / 0.25), 0.0, 0.5);
    BASS_StreamFree(stream);
}

TEST_F(Effects, ParametersAreCheckedKeptAndGoneWithTheirEffect) {
    const std::string path = tone("params.wav", 0.5, 440, 0.5, 440, 0.5);
    HSTREAM stream = decodeFile(path);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelSetFX(stream + 1000, BASS_FX_DX8_PARAMEQ, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_EQ(BASS_ChannelSetFX(stream, BASS_FX_DX8_CHORUS, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);

    HFX compressor = BASS_ChannelSetFX(stream, BASS_FX_DX8_COMPRESSOR, 0);
    ASSERT_NE(compressor, 0u);
    const BASS_DX8_COMPRESSOR medium{5.0f, 1.6f, 600.0f, -20.0f, 6.0f, 3.0f};
    ASSERT_TRUE(BASS_FXSetParameters(compressor, &medium));
    BASS_DX8_COMPRESSOR wrong = medium;
    wrong.fRatio = 0.5f;
    EXPECT_FALSE(BASS_FXSetParameters(compressor, &wrong));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_DX8_COMPRESSOR read{};
    ASSERT_TRUE(BASS_FXGetParameters(compressor, &read));
    EXPECT_EQ(read.fRatio, 6.0f);
    EXPECT_EQ(read.fGain, 5.0f);

    HFX damp = BASS_ChannelSetFX(stream, BASS_FX_BFX_DAMP, 0);
    ASSERT_NE(damp, 0u);
    ASSERT_TRUE(BASS_ChannelRemoveFX(stream, compressor));
    EXPECT_FALSE(BASS_ChannelRemoveFX(stream, compressor));
    EXPECT_FALSE(BASS_FXSetParameters(compressor, &medium));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    ASSERT_TRUE(BASS_StreamFree(stream));
    BASS_BFX_DAMP level{};
    EXPECT_FALSE(BASS_FXGetParameters(damp, &level));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Effects, CompressorLowersALoudToneByTheRatioAboveTheThreshold) {
    // Left at -6 dB (over the -20 dB threshold by 14 dB), right at -32 dB (under it).
    const std::string path = tone("compressor.wav", 3.0, 1000, 0.5, 1000, 0.025);
    HSTREAM stream = decodeFile(path);
    ASSERT_NE(stream, 0u);
    HFX fx = BASS_ChannelSetFX(stream, BASS_FX_DX8_COMPRESSOR, 0);
    ASSERT_NE(fx, 0u);
    const BASS_DX8_COMPRESSOR low{0.0f, 2.2f, 800.0f, -20.0f, 4.0f, 4.0f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &low));
    const std::vector<float> out = drainFloat(stream);
    ASSERT_GT(out.size(), size_t(4 * kRate));
    const size_t end = out.size() / 2;
    // 14 dB over at 4:1 leaves 3.5 dB over the threshold: -16.5 dB. The quiet right channel
    // shares the gain (the level is measured on both), so it drops by the same 10.5 dB.
    EXPECT_NEAR(decibels(stereoPeak(out, end - kRate, end, 0)), -16.5, 1.0);
    EXPECT_NEAR(decibels(stereoPeak(out, end - kRate, end, 1) / 0.025), -10.5, 1.0);
    BASS_StreamFree(stream);
}

TEST_F(Effects, AutomaticGainRaisesAQuietToneTowardsItsTargetAfterItsDelay) {
    const std::string path = tone("damp.wav", 8.0, 500, 0.3, 500, 0.3);
    HSTREAM stream = decodeFile(path);
    ASSERT_NE(stream, 0u);
    HFX fx = BASS_ChannelSetFX(stream, BASS_FX_BFX_DAMP, 0);
    ASSERT_NE(fx, 0u);
    const BASS_BFX_DAMP leveller{0.9f, 0.2f, 0.02f, 10.0f, 2.0f, BASS_BFX_CHANALL};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &leveller));
    const std::vector<float> out = drainFloat(stream);
    const size_t end = out.size() / 2;
    ASSERT_GT(end, size_t(7 * kRate));
    // Still waiting for its delay a second in; at the target by the end, never over it.
    EXPECT_NEAR(stereoPeak(out, 0, kRate, 0), 0.3f, 0.02f);
    EXPECT_NEAR(stereoPeak(out, end - kRate, end, 0), 0.9f, 0.05f);
    EXPECT_LE(stereoPeak(out, 0, end, 1), 0.92f);
    BASS_StreamFree(stream);
}

TEST_F(Effects, ChangesWhilePlayingDoNotClick) {
    // A 100 Hz sine at half scale moves at most 0.0071 per sample; +15 dB makes it 0.04. A gain
    // switched at once near a peak would jump by more than 1.
    const std::string path = tone("clicks.wav", 3.0, 100, 0.5, 100, 0.5);
    HSTREAM stream = decodeFile(path);
    ASSERT_NE(stream, 0u);
    std::vector<float> out;
    float block[4096];
    HFX band = 0;
    for (int round = 0; round < 40; ++round) {
        const DWORD got = BASS_ChannelGetData(stream, block, sizeof block | BASS_DATA_FLOAT);
        ASSERT_NE(got, DWORD(-1));
        out.insert(out.end(), block, block + got / sizeof(float));
        if (round == 8) {
            band = BASS_ChannelSetFX(stream, BASS_FX_DX8_PARAMEQ, 0);
            const BASS_DX8_PARAMEQ raised{100.0f, 12.0f, 15.0f};
            ASSERT_TRUE(BASS_FXSetParameters(band, &raised));
        } else if (round == 16) {
            const BASS_DX8_PARAMEQ lowered{100.0f, 12.0f, -15.0f};
            ASSERT_TRUE(BASS_FXSetParameters(band, &lowered));
        } else if (round == 24) {
            ASSERT_TRUE(BASS_ChannelRemoveFX(stream, band));
        }
    }
    const std::vector<float> rest = drainFloat(stream);
    out.insert(out.end(), rest.begin(), rest.end());
    float largestStep = 0;
    for (size_t i = 2; i < out.size(); ++i)
        largestStep = std::max(largestStep, std::abs(out[i] - out[i - 2]));
    // Whether the boost reaches these samples depends on how far the decoder had read ahead when
    // the band was set, so only the absence of jumps is checked here; the band's gain itself is
    // checked by the tests above.
    EXPECT_LT(largestStep, 0.06f);
    BASS_StreamFree(stream);
}
