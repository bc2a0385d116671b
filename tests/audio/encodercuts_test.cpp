// Cuts between encoders on a decoding channel: a file of songs joined byte to byte (as a radio
// sends them) is decoded while `cat` stands in for the encoder program, so what each encoder
// got comes back as the very float samples. Each encoder must get exactly the samples of the
// packets between its cuts, and all of them together the whole stream once.

#include "audio/bass.h"
#include "audiohelpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace qwaudiotest;

namespace {

constexpr int kRate = 44100;
constexpr DWORD kRawFloat = BASS_ENCODE_NOHEAD | BASS_ENCODE_FP_32BIT;

// Samples an encoder wrote back through `cat`.
struct Samples {
    std::mutex mutex;
    std::vector<float> values;
    std::vector<uint8_t> partial;
    static void proc(HENCODE, DWORD, const void* buffer, DWORD length, void* user) {
        auto* self = static_cast<Samples*>(user);
        std::lock_guard lock(self->mutex);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        self->partial.insert(self->partial.end(), bytes, bytes + length);
        const size_t whole = self->partial.size() / sizeof(float) * sizeof(float);
        const auto* floats = reinterpret_cast<const float*>(self->partial.data());
        self->values.insert(self->values.end(), floats, floats + whole / sizeof(float));
        self->partial.erase(self->partial.begin(), self->partial.begin() + long(whole));
    }
    size_t frames() {
        std::lock_guard lock(mutex);
        return values.size() / 2;
    }
};

// A chain of encoders on one channel, each the next file of a recording.
class Recording {
public:
    explicit Recording(HSTREAM stream) : m_stream(stream) {}
    ~Recording() { stop(); }
    void start() {
        m_files.push_back(std::make_unique<Samples>());
        m_encoder =
            BASS_Encode_Start(m_stream, "cat", kRawFloat, Samples::proc, m_files.back().get());
        ASSERT_NE(m_encoder, 0u) << BASS_ErrorGetCode();
    }
    void stop() {
        if (m_encoder)
            BASS_Encode_Stop(m_encoder);
        m_encoder = 0;
    }
    void split() {
        stop();
        start();
    }
    Samples& file(size_t index) { return *m_files.at(index); }
    size_t files() const { return m_files.size(); }
    std::vector<float> joined() {
        std::vector<float> all;
        for (const auto& file : m_files)
            all.insert(all.end(), file->values.begin(), file->values.end());
        return all;
    }

private:
    HSTREAM m_stream;
    HENCODE m_encoder = 0;
    std::vector<std::unique_ptr<Samples>> m_files;
};

class EncoderCuts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
        ASSERT_TRUE(BASS_Init(0, kRate, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
        // Songs of their own, joined: each begins with a frame of its own encoder, as at a
        // radio's title change. The last one is long enough to outlast the decoder's lead.
        const double seconds[] = {1.5, 1.5, 2.5};
        std::ofstream joined(streamPath(), std::ios::binary);
        for (int song = 0; song < 3; ++song) {
            const std::string part = tempPath("cuts_song" + std::to_string(song) + ".mp3");
            const std::string command =
                "ffmpeg -v error -y -f lavfi -i sine=frequency=" +
                std::to_string(440 * (song + 1)) +
                ":sample_rate=44100:duration=" + std::to_string(seconds[song]) +
                " -ac 2 -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 '" + part + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            HSTREAM alone = BASS_StreamCreateFile(FALSE, part.c_str(), 0, 0, BASS_STREAM_DECODE);
            ASSERT_NE(alone, 0u) << BASS_ErrorGetCode();
            s_songFrames.push_back(drainFloat(alone).size() / 2);
            BASS_StreamFree(alone);
            s_songStart.push_back(QWORD(joined.tellp()));
            std::ifstream in(part, std::ios::binary);
            joined << in.rdbuf();
            std::filesystem::remove(part);
        }
        joined.close();
        HSTREAM whole = open();
        s_reference = drainFloat(whole);
        BASS_StreamFree(whole);
    }
    static void TearDownTestSuite() {
        BASS_Free();
        std::filesystem::remove(streamPath());
    }
    static std::string streamPath() { return tempPath("cuts_stream.mp3"); }
    static HSTREAM open() {
        return BASS_StreamCreateFile(FALSE, streamPath().c_str(), 0, 0, BASS_STREAM_DECODE);
    }

    void SetUp() override {
        m_stream = open();
        ASSERT_NE(m_stream, 0u) << BASS_ErrorGetCode();
        ASSERT_NE(BASS_ChannelSetSync(m_stream, BASS_SYNC_ENCODE_CUT, 0, TypedSync::proc, &m_sync),
                  0u);
    }
    void TearDown() override { BASS_StreamFree(m_stream); }

    // Reads the channel until `frames` have come out (or it ended); returns the frames read.
    size_t readTo(size_t frames) {
        float block[2048];
        while (m_read < frames) {
            const size_t want = std::min(sizeof block, (frames - m_read) * 2 * sizeof(float));
            const DWORD got = BASS_ChannelGetData(m_stream, block, DWORD(want) | BASS_DATA_FLOAT);
            if (got == DWORD(-1) || got == 0)
                break;
            m_read += got / (2 * sizeof(float));
        }
        return m_read;
    }
    void readToEnd() { readTo(size_t(-1)); }
    bool cutsReached(size_t count) {
        return waitFor([&] { return m_log.snapshot().size() >= count; }, 10000);
    }
    std::vector<float> reference(size_t fromFrame) const {
        return {s_reference.begin() + long(fromFrame * 2), s_reference.end()};
    }
    // The first encoder starts on a channel that has decoded ahead already: the recording is
    // the stream from some frame on, whole and in order; returns that frame.
    size_t checkWholeFrom(Recording& recording) {
        const std::vector<float> joined = recording.joined();
        EXPECT_LE(joined.size(), s_reference.size());
        const size_t start = (s_reference.size() - std::min(joined.size(), s_reference.size())) / 2;
        EXPECT_TRUE(joined == reference(start)) << "the files are not the stream from " << start;
        return start;
    }

    static inline std::vector<size_t> s_songFrames;
    static inline std::vector<QWORD> s_songStart;
    static inline std::vector<float> s_reference;
    HSTREAM m_stream = 0;
    size_t m_read = 0;
    SyncLog m_log;
    TypedSync m_sync{&m_log, BASS_SYNC_ENCODE_CUT};
};

} // namespace

TEST_F(EncoderCuts, QueuedCutsAheadOfTheDecoderEndEachFileAtItsSongsLastPacket) {
    Recording recording(m_stream);
    recording.start();
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[1], 0)) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[2], 0)) << BASS_ErrorGetCode();
    // The engine splits only once told: the samples meanwhile wait for the next file.
    readTo(s_songFrames[0] + 1);
    ASSERT_TRUE(cutsReached(1));
    recording.split();
    readTo(s_songFrames[0] + s_songFrames[1] + 1);
    ASSERT_TRUE(cutsReached(2));
    recording.split();
    readToEnd();
    recording.stop();

    ASSERT_EQ(recording.files(), 3u);
    const size_t start = checkWholeFrom(recording);
    EXPECT_EQ(start + recording.file(0).frames(), s_songFrames[0]);
    EXPECT_EQ(recording.file(1).frames(), s_songFrames[1]);
}

TEST_F(EncoderCuts, DelayMovesTheCutByItsSamples) {
    Recording recording(m_stream);
    recording.start();
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[1], 500));
    const size_t cut = s_songFrames[0] + kRate / 2;
    readTo(cut + 1);
    ASSERT_TRUE(cutsReached(1));
    recording.split();
    readToEnd();
    recording.stop();
    EXPECT_EQ(checkWholeFrom(recording) + recording.file(0).frames(), cut);
}

TEST_F(EncoderCuts, CutTheDecoderHasPassedComesAtOnceAndLosesNothing) {
    Recording recording(m_stream);
    recording.start();
    readTo(s_songFrames[0] + kRate / 4);
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[1], 0));
    ASSERT_TRUE(cutsReached(1));
    recording.split();
    readToEnd();
    recording.stop();
    EXPECT_GE(checkWholeFrom(recording) + recording.file(0).frames(), s_songFrames[0] + kRate / 4);
}

TEST_F(EncoderCuts, EncoderStartedBeforeItsCutBeginsAtTheCut) {
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[1], 0));
    Recording recording(m_stream);
    recording.start();
    readToEnd();
    recording.stop();
    EXPECT_EQ(recording.file(0).values, reference(s_songFrames[0]));
}

TEST_F(EncoderCuts, ClearingDropsTheHeldSamplesAndTheCutsWaiting) {
    Recording recording(m_stream);
    recording.start();
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[1], 0));
    ASSERT_TRUE(BASS_Encode_CutAt(m_stream, s_songStart[2], 0));
    readTo(s_songFrames[0] + kRate / 4);
    ASSERT_TRUE(cutsReached(1));
    ASSERT_TRUE(BASS_Encode_ClearCuts(m_stream));
    recording.stop();
    // The next recording starts with what is decoded now, not with the held samples, and the
    // second cut no longer ends it.
    recording.start();
    readToEnd();
    recording.stop();
    const std::vector<float>& first = recording.file(0).values;
    ASSERT_LE(first.size() / 2, s_songFrames[0]);
    const size_t start = s_songFrames[0] - first.size() / 2;
    EXPECT_TRUE(std::equal(first.begin(), first.end(), s_reference.begin() + long(start * 2)));
    const std::vector<float>& second = recording.file(1).values;
    ASSERT_GT(second.size(), size_t(kRate));
    EXPECT_LT(second.size() / 2, s_reference.size() / 2 - s_songFrames[0] - size_t(kRate) / 4);
    EXPECT_GT(second.size() / 2, s_songFrames[2]);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), s_reference.end() - long(second.size())));
}

TEST_F(EncoderCuts, RefusedOnAChannelThatIsGone) {
    EXPECT_FALSE(BASS_Encode_CutAt(m_stream + 1000, 0, 0));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_Encode_ClearCuts(m_stream + 1000));
}
