// The window program's way to the audio library: while the module cannot be found, a clear
// reason and the neutral value of every function; once it is, the real library behind the
// forwarders, with integers, floats, doubles, texts and the per-thread error code passing
// through unchanged.

#include "audio/bass.h"
#include "audiomodule/audiomodule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// One second of 16-bit stereo silence at 44.1 kHz as a WAV file in memory.
std::vector<char> silentWav() {
    const uint32_t dataBytes = 44100 * 2 * 2;
    std::vector<char> wav(44 + dataBytes, 0);
    const auto put = [&wav](size_t at, uint32_t value, size_t size) {
        std::memcpy(wav.data() + at, &value, size);
    };
    std::memcpy(wav.data(), "RIFF", 4);
    put(4, 36 + dataBytes, 4);
    std::memcpy(wav.data() + 8, "WAVEfmt ", 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 44100 * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    std::memcpy(wav.data() + 36, "data", 4);
    put(40, dataBytes, 4);
    return wav;
}

} // namespace

TEST(AudioModule, ForwardsToTheModuleOnceItIsFound) {
    AudioModule::setFolders({"/nonexistent/quillowave"});
    std::string error;
    EXPECT_FALSE(AudioModule::load(&error));
    EXPECT_NE(error.find(AudioModule::fileName()), std::string::npos) << error;
    EXPECT_EQ(BASS_GetVersion(), DWORD(0));
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));

    AudioModule::setFolders({"/nonexistent/quillowave", QW_AUDIO_MODULE_DIR});
    ASSERT_TRUE(AudioModule::load(&error)) << error;
    EXPECT_EQ(BASS_GetVersion(), DWORD(0x01000000));
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);

    ASSERT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_AGENT, "Forwarded agent"));
    EXPECT_STREQ(static_cast<const char*>(BASS_GetConfigPtr(BASS_CONFIG_NET_AGENT)),
                 "Forwarded agent");

    const std::vector<char> wav = silentWav();
    const HSTREAM stream = BASS_StreamCreateFile(TRUE, wav.data(), 0, wav.size(), 0);
    ASSERT_NE(stream, HSTREAM(0)) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.25f));
    float volume = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &volume));
    EXPECT_FLOAT_EQ(volume, 0.25f);
    const QWORD bytes = BASS_ChannelSeconds2Bytes(stream, 1.5);
    EXPECT_GT(bytes, QWORD(0));
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(stream, bytes), 1.5);
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_TRUE(BASS_Free());
}
