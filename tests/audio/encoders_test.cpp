// Encoder programs fed by a decoding channel: the real lame, oggenc, flac and ffmpeg write
// files that ffprobe reads back with the right codec, rate, channels and length; programs
// that are missing, exit at once or never read leave the decoder free and no process behind.

#include "audio/bass.h"
#include "audiohelpers.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace qwaudiotest;

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 4.0;

// What an encoder wrote to its ENCODEPROC, and on which thread.
struct Sink {
    std::mutex mutex;
    std::vector<uint8_t> bytes;
    std::thread::id thread;
    static void proc(HENCODE, DWORD, const void* buffer, DWORD length, void* user) {
        auto* self = static_cast<Sink*>(user);
        std::lock_guard lock(self->mutex);
        self->thread = std::this_thread::get_id();
        const auto* data = static_cast<const uint8_t*>(buffer);
        self->bytes.insert(self->bytes.end(), data, data + length);
    }
};

// Counts the frames the channel produces once counting is switched on.
struct FrameCounter {
    std::atomic<bool> counting{false};
    std::atomic<uint64_t> frames{0};
    static void proc(HDSP, DWORD, void*, DWORD length, void* user) {
        auto* self = static_cast<FrameCounter*>(user);
        if (self->counting)
            self->frames += length / (2 * sizeof(float));
    }
};

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    if (pipe)
        pclose(pipe);
    return output;
}

// ffprobe's view of a file: codec_name, sample_rate, channels, duration.
std::map<std::string, std::string> probe(const std::string& path) {
    std::map<std::string, std::string> values;
    std::istringstream lines(run("ffprobe -v error -show_entries "
                                 "stream=codec_name,sample_rate,channels:format=duration "
                                 "-of default=noprint_wrappers=1 '" +
                                 path + "'"));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t equals = line.find('=');
        if (equals != std::string::npos && !values.count(line.substr(0, equals)))
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

// The end of the last packet: streamed FLAC carries no length in its header.
double packetEnd(const std::string& path) {
    std::istringstream lines(run("ffprobe -v error -select_streams a -show_entries "
                                 "packet=pts_time,duration_time -of csv=p=0 '" +
                                 path + "'"));
    std::string line;
    std::string last;
    while (std::getline(lines, line))
        last = line.empty() ? last : line;
    const size_t comma = last.find(',');
    if (comma == std::string::npos)
        return 0;
    return std::atof(last.c_str()) + std::atof(last.c_str() + comma + 1);
}

bool noChildLeft() {
    return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

struct Row {
    const char* name;
    const char* command;
    DWORD flags;
    const char* codec;
};

class Encoders : public ::testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() {
        BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
        ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
        writeToneWav(tonePath(), kRate, kSeconds, 440, 0.5, 880, 0.5);
    }
    static void TearDownTestSuite() {
        BASS_Free();
        std::filesystem::remove(tonePath());
    }
    static std::string tonePath() { return tempPath("encoders_tone.wav"); }
    static HSTREAM decodeTone() {
        return BASS_StreamCreateFile(FALSE, tonePath().c_str(), 0, 0, BASS_STREAM_DECODE);
    }
};

} // namespace

TEST_P(Encoders, ProgramWritesAFileOfTheSamplesFed) {
    const Row& row = GetParam();
    HSTREAM stream = decodeTone();
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    FrameCounter counter;
    ASSERT_NE(BASS_ChannelSetDSP(stream, FrameCounter::proc, &counter, 0), 0u);
    Sink sink;
    const size_t descriptors = openDescriptors();
    HENCODE encoder = BASS_Encode_Start(stream, row.command, row.flags, Sink::proc, &sink);
    ASSERT_NE(encoder, 0u) << BASS_ErrorGetCode();
    counter.counting = true;
    EXPECT_EQ(BASS_Encode_IsActive(encoder), DWORD(BASS_ACTIVE_PLAYING));
    drainFloat(stream);
    ASSERT_TRUE(BASS_Encode_Stop(encoder));
    EXPECT_FALSE(BASS_Encode_Stop(encoder));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_TRUE(noChildLeft());
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_NE(sink.thread, std::this_thread::get_id());

    const std::string file = tempPath(std::string("encoded_") + row.name);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(sink.bytes.data()),
               std::streamsize(sink.bytes.size()));
    const auto info = probe(file);
    const double end = packetEnd(file);
    std::filesystem::remove(file);
    EXPECT_EQ(info.count("codec_name") ? info.at("codec_name") : "", row.codec);
    EXPECT_EQ(info.count("sample_rate") ? info.at("sample_rate") : "", "44100");
    EXPECT_EQ(info.count("channels") ? info.at("channels") : "", "2");
    const double fed = double(counter.frames) / kRate;
    ASSERT_GT(fed, kSeconds / 2);
    const double duration = info.count("duration") ? std::atof(info.at("duration").c_str()) : 0;
    EXPECT_NEAR(duration > 0 ? duration : end, fed, fed * 0.02);
    BASS_StreamFree(stream);
}

INSTANTIATE_TEST_SUITE_P(
    RealPrograms, Encoders,
    ::testing::Values(
        Row{"mp3", "lame --cbr -b 128 -t -r -s 44.1 -", 0x40005, "mp3"},
        Row{"ogg", "oggenc -r -B 16 -C 2 -R 44100 -q5 -", 0x40005, "vorbis"},
        Row{"flac",
            "flac -c --force-raw-format --endian=little --sign=signed --sample-rate=44100 "
            "--channels=2 --bps=16 -",
            0x40005, "flac"},
        Row{"aac", "ffmpeg -v error -f s16le -ar 44100 -ac 2 -i - -c:a aac -f adts -", 0x40005,
            "aac"},
        // With a WAV header, as 32-bit float and as 16-bit.
        Row{"wavfloat", "ffmpeg -v error -i - -c:a flac -f flac -", BASS_ENCODE_FP_32BIT, "flac"},
        Row{"wav16", "ffmpeg -v error -i - -c:a flac -f flac -", BASS_ENCODE_FP_16BIT, "flac"}),
    [](const ::testing::TestParamInfo<Row>& param) { return std::string(param.param.name); });

TEST_F(Encoders, ProgramsThatFailEndWithoutHoldingTheDecoder) {
    HSTREAM stream = decodeTone();
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_Encode_Start(stream, "/nonexistent/qw-no-such-encoder -", 0, nullptr, nullptr),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_Encode_Start(stream + 1000, "lame -", 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    Sink sink;
    HENCODE exits = BASS_Encode_Start(stream, "false", BASS_ENCODE_NOHEAD, Sink::proc, &sink);
    HENCODE neverReads =
        BASS_Encode_Start(stream, "sleep 60", BASS_ENCODE_NOHEAD, nullptr, nullptr);
    ASSERT_NE(exits, 0u);
    ASSERT_NE(neverReads, 0u);
    // The whole file decodes although one program is gone and the other takes nothing.
    const std::vector<float> all = drainFloat(stream);
    EXPECT_EQ(all.size(), size_t(kSeconds * kRate) * 2);
    EXPECT_TRUE(waitFor([&] { return BASS_Encode_IsActive(exits) == BASS_ACTIVE_STOPPED; }, 5000));
    EXPECT_TRUE(
        waitFor([&] { return BASS_Encode_IsActive(neverReads) == BASS_ACTIVE_STOPPED; }, 5000));
    EXPECT_TRUE(noChildLeft());
    EXPECT_TRUE(BASS_Encode_Stop(exits));
    EXPECT_TRUE(BASS_Encode_Stop(neverReads));
    BASS_StreamFree(stream);
}

TEST_F(Encoders, AutoFreeEncoderEndsWithItsChannel) {
    HSTREAM stream = decodeTone();
    ASSERT_NE(stream, 0u);
    HENCODE encoder = BASS_Encode_Start(stream, "cat", BASS_ENCODE_AUTOFREE | BASS_ENCODE_NOHEAD,
                                        nullptr, nullptr);
    ASSERT_NE(encoder, 0u);
    float block[4096];
    ASSERT_NE(BASS_ChannelGetData(stream, block, sizeof block | BASS_DATA_FLOAT), DWORD(-1));
    ASSERT_TRUE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_Encode_IsActive(encoder), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_TRUE(waitFor(noChildLeft, 5000));
}

TEST_F(Encoders, PlayingStreamFeedsLameUntilTheStreamIsFreed) {
    const std::string url = qwtest::icecastUrl("/mp3");
    ASSERT_FALSE(url.empty()) << "Icecast fixture not running";
    HSTREAM stream = BASS_StreamCreateURL(url.c_str(), 0, BASS_STREAM_AUTOFREE, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    Sink sink;
    // As the recorder starts it: auto-free, 16-bit samples without a header.
    HENCODE encoder =
        BASS_Encode_Start(stream, "lame --cbr -b 128 -t -r -s 44.1 -", 0x40005, Sink::proc, &sink);
    ASSERT_NE(encoder, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    // About a second of MP3 at 128 kbit/s.
    ASSERT_TRUE(waitFor(
        [&] {
            std::lock_guard lock(sink.mutex);
            return sink.bytes.size() > 16000;
        },
        10000));
    EXPECT_EQ(BASS_Encode_IsActive(encoder), DWORD(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(BASS_StreamFree(stream));
    EXPECT_EQ(BASS_Encode_IsActive(encoder), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(waitFor(noChildLeft, 5000));
    std::lock_guard lock(sink.mutex);
    // MPEG audio frames start with eleven set bits.
    ASSERT_GT(sink.bytes.size(), 2u);
    EXPECT_EQ(sink.bytes[0], 0xFF);
    EXPECT_EQ(sink.bytes[1] & 0xE0, 0xE0);
}

TEST_F(Encoders, ProgramGetsNoDescriptorOfTheLibrary) {
    HSTREAM stream = decodeTone();
    ASSERT_NE(stream, 0u);
    Sink sink;
    HENCODE encoder = BASS_Encode_Start(stream, "ls /proc/self/fd", 0, Sink::proc, &sink);
    ASSERT_NE(encoder, 0u);
    ASSERT_TRUE(
        waitFor([&] { return BASS_Encode_IsActive(encoder) == BASS_ACTIVE_STOPPED; }, 5000));
    ASSERT_TRUE(BASS_Encode_Stop(encoder));
    // Its standard input, output and error, and the folder ls itself opened.
    EXPECT_EQ(std::string(sink.bytes.begin(), sink.bytes.end()), "0\n1\n2\n3\n");
    BASS_StreamFree(stream);
}

TEST(WmaEncoder, OffersTheCodecsConstantRatesOnly) {
    const DWORD* rates = BASS_WMA_EncodeGetRates(44100, 2, BASS_WMA_ENCODE_STANDARD);
    ASSERT_NE(rates, nullptr) << BASS_ErrorGetCode();
    std::vector<DWORD> list;
    for (const DWORD* rate = rates; *rate; ++rate)
        list.push_back(*rate);
    ASSERT_FALSE(list.empty());
    EXPECT_TRUE(std::is_sorted(list.rbegin(), list.rend()));
    EXPECT_NE(std::find(list.begin(), list.end(), 128000u), list.end());
    EXPECT_EQ(BASS_WMA_EncodeGetRates(44100, 2, BASS_WMA_ENCODE_RATES_VBR), nullptr);
}

TEST(WmaEncoder, WritesAFileThatDecodesBackToTheTone) {
    const std::string path = tempPath("tone.wma");
    const std::u16string wide(path.begin(), path.end());
    HWMENCODE encoder =
        BASS_WMA_EncodeOpenFile(44100, 2, 0x2100 | BASS_UNICODE, 128000, wide.c_str());
    ASSERT_NE(encoder, 0u) << BASS_ErrorGetCode();
    // Three seconds of a 440 Hz sine at half scale, in blocks of an odd length.
    std::vector<float> block(2 * 1000);
    for (int frame = 0; frame < 3 * kRate;) {
        for (size_t i = 0; i < block.size() / 2; ++i, ++frame) {
            const float value = 0.5f * float(std::sin(2 * M_PI * 440.0 * frame / kRate));
            block[2 * i] = value;
            block[2 * i + 1] = value;
        }
        ASSERT_TRUE(BASS_WMA_EncodeWrite(encoder, block.data(), DWORD(block.size() * 4)));
    }
    ASSERT_TRUE(BASS_WMA_EncodeClose(encoder));
    EXPECT_FALSE(BASS_WMA_EncodeWrite(encoder, block.data(), 8));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    const auto info = probe(path);
    EXPECT_EQ(info.count("codec_name") ? info.at("codec_name") : "", "wmav2");
    EXPECT_NEAR(std::atof(info.count("duration") ? info.at("duration").c_str() : "0"), 3.0, 0.1);
    const std::string raw = tempPath("tone_decoded.raw");
    run("ffmpeg -v error -y -i '" + path + "' -f f32le -ac 2 '" + raw + "'");
    std::vector<float> decoded(std::filesystem::file_size(raw) / sizeof(float));
    std::ifstream(raw, std::ios::binary)
        .read(reinterpret_cast<char*>(decoded.data()), std::streamsize(decoded.size() * 4));
    std::filesystem::remove(raw);
    std::filesystem::remove(path);
    ASSERT_GT(decoded.size(), size_t(4 * kRate));
    // The middle second of the left channel: 440 pairs of zero crossings and the sine's peak.
    int crossings = 0;
    for (size_t frame = size_t(kRate) + 1; frame < size_t(2 * kRate); ++frame)
        crossings += (decoded[2 * frame - 2] < 0) != (decoded[2 * frame] < 0);
    const float peak = stereoPeak(decoded, size_t(kRate), size_t(2 * kRate), 0);
    EXPECT_NEAR(crossings / 2.0, 440.0, 3.0);
    EXPECT_NEAR(peak, 0.5f, 0.05f);
}

TEST(WmaEncoder, FileThatCannotBeCreatedIsRefused) {
    EXPECT_EQ(BASS_WMA_EncodeOpenFile(44100, 2, 0x2100, 128000, "/nonexistent/folder/out.wma"), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_CREATE);
    EXPECT_FALSE(BASS_WMA_EncodeClose(12345));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}
