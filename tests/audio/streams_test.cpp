// Streams from the real fixtures through the public interface, output on device 0 ("No sound",
// played against the clock): formats and channel types, create kinds, files, the HTTP server's
// misbehaviours, metadata, positions, attributes, DSP and how fast free and stop return.

#include "audio/bass.h"
#include "audio/bytebuffer.h"
#include "audio/decoder.h"
#include "audiohelpers.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace qwaudiotest;

namespace {

constexpr int kNetTimeoutMs = 4000;

int levelLeft(DWORD level) {
    return int(level & 0xFFFF);
}
int levelRight(DWORD level) {
    return int(level >> 16);
}

std::string listText(const char* list) {
    std::string text;
    for (const char* item = list; item && *item; item += std::strlen(item) + 1)
        text += std::string(item) + "\n";
    return text;
}

HSTREAM createUrl(const std::string& url, DWORD flags = 0, DOWNLOADPROC* proc = nullptr,
                  void* user = nullptr) {
    return BASS_StreamCreateURL(url.c_str(), 0, flags, proc, user);
}

using Create = HSTREAM (*)(const std::string&);
HSTREAM createGeneric(const std::string& url) {
    return createUrl(url);
}
HSTREAM createAac(const std::string& url) {
    return BASS_AAC_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
}
HSTREAM createFlac(const std::string& url) {
    return BASS_FLAC_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
}
HSTREAM createMp4(const std::string& url) {
    return BASS_MP4_StreamCreateFile(FALSE, url.c_str(), 0, 0, 0);
}

class Streams : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        BASS_SetConfig(BASS_CONFIG_FLOATDSP, 1);
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs);
        BASS_SetConfig(BASS_CONFIG_NET_BUFFER, 5000);
        BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 2);
        ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)) << BASS_ErrorGetCode();
    }
    static void TearDownTestSuite() { BASS_Free(); }
    void SetUp() override {
        ASSERT_FALSE(qwtest::icecastUrl("/mp3").empty()) << "Icecast fixture not running";
        ASSERT_FALSE(qwtest::httpUrl("/").empty()) << "HTTP fixture not running";
    }
};

// Plays a moment and checks that samples reach the output with the sine's level (peak 0.5).
void expectAudible(HSTREAM stream) {
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE)) << BASS_ErrorGetCode();
    ASSERT_TRUE(
        waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 44100; }, 5000));
    ASSERT_TRUE(waitFor([&] { return levelLeft(BASS_ChannelGetLevel(stream)) > 0; }, 2000));
    const DWORD level = BASS_ChannelGetLevel(stream);
    EXPECT_NEAR(levelLeft(level), 16384, 2500);
    EXPECT_NEAR(levelRight(level), 16384, 2500);
}

} // namespace

TEST_F(Streams, EveryMountDecodesWithItsChannelType) {
    struct Row {
        const char* mount;
        Create create;
        DWORD channelType;
        DWORD rate;
        Create wrongKind;
    };
    const Row rows[] = {
        {"/mp3", createGeneric, BASS_CTYPE_STREAM_MP3, 44100, createAac},
        {"/aac", createAac, BASS_CTYPE_STREAM_AAC, 44100, createGeneric},
        {"/ogg", createGeneric, BASS_CTYPE_STREAM_OGG, 44100, createFlac},
        {"/opus", createGeneric, BASS_CTYPE_STREAM_OPUS, 48000, createMp4},
        {"/flac", createFlac, BASS_CTYPE_STREAM_FLAC_OGG, 44100, createGeneric},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mount);
        const std::string url = qwtest::icecastUrl(row.mount);
        EXPECT_EQ(row.wrongKind(url), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);

        HSTREAM stream = row.create(url);
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        BASS_CHANNELINFO info;
        ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
        EXPECT_EQ(info.ctype, row.channelType);
        EXPECT_EQ(info.freq, row.rate);
        EXPECT_EQ(info.chans, 2u);
        EXPECT_EQ(listText(BASS_ChannelGetTags(stream, BASS_TAG_HTTP)).rfind("HTTP/", 0), 0u);
        expectAudible(stream);
        EXPECT_TRUE(BASS_StreamFree(stream));
        EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
}

TEST_F(Streams, FilesOnDiskDecodeWithTheirOwnCreate) {
    using FileCreate = HSTREAM (*)(BOOL, const void*, QWORD, QWORD, DWORD);
    struct Row {
        const char* file;
        FileCreate create;
        DWORD channelType; // 0: the create must fail with FILEFORM
    };
    const Row rows[] = {
        {"sine.mp3", BASS_StreamCreateFile, BASS_CTYPE_STREAM_MP3},
        {"sine.ogg", BASS_StreamCreateFile, BASS_CTYPE_STREAM_OGG},
        {"sine.wav", BASS_StreamCreateFile, BASS_CTYPE_STREAM_WAV_PCM},
        {"sine.flac", BASS_FLAC_StreamCreateFile, BASS_CTYPE_STREAM_FLAC},
        {"sine.aac", BASS_AAC_StreamCreateFile, BASS_CTYPE_STREAM_AAC},
        {"sine.flac", BASS_StreamCreateFile, 0},
        {"sine.mp3", BASS_AAC_StreamCreateFile, 0},
        {"sine.ogg", BASS_WMA_StreamCreateFile, 0},
        {"sine.wav", BASS_MP4_StreamCreateFile, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const std::string path = qwtest::wwwDir() + "/" + row.file;
        HSTREAM stream =
            row.create(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
        if (row.channelType == 0) {
            EXPECT_EQ(stream, 0u);
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
            continue;
        }
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        BASS_CHANNELINFO info;
        ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
        EXPECT_EQ(info.ctype, row.channelType);
        EXPECT_EQ(info.chans, 2u);
        EXPECT_EQ(BASS_ChannelPlay(stream, FALSE), FALSE);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DECODE);
        SyncLog log;
        TypedSync end{&log, BASS_SYNC_END};
        ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, TypedSync::proc, &end), 0u);

        // Decode everything: five seconds of a 440 Hz sine.
        std::vector<float> samples;
        std::vector<float> block(8192);
        for (;;) {
            DWORD got = BASS_ChannelGetData(stream, block.data(), DWORD(block.size() * 4));
            if (got == DWORD(-1))
                break;
            samples.insert(samples.end(), block.begin(), block.begin() + got / 4);
        }
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ENDED);
        const double seconds = BASS_ChannelBytes2Seconds(stream, samples.size() * 4);
        EXPECT_NEAR(seconds, 5.0, 0.15);
        // Zero crossings of the left channel over the middle three seconds (encoder priming
        // at the edges is left out).
        const size_t rate = info.freq;
        int crossings = 0;
        for (size_t i = 2 * rate + 2; i < 2 * 4 * rate && i < samples.size(); i += 2)
            crossings += (samples[i - 2] < 0) != (samples[i] < 0);
        EXPECT_NEAR(crossings / 2.0 / 3.0, 440.0, 2.0);
        EXPECT_TRUE(waitFor([&] { return log.has(BASS_SYNC_END, 0); }, 2000));
        EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT),
                  BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END));
        EXPECT_TRUE(BASS_StreamFree(stream));
    }
    // A file in memory, and bad arguments.
    std::ifstream in(qwtest::wwwDir() + "/sine.ogg", std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    HSTREAM memory = BASS_StreamCreateFile(TRUE, bytes.data(), 0, bytes.size(), BASS_STREAM_DECODE);
    ASSERT_NE(memory, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO memoryInfo;
    ASSERT_TRUE(BASS_ChannelGetInfo(memory, &memoryInfo));
    EXPECT_EQ(memoryInfo.ctype, DWORD(BASS_CTYPE_STREAM_OGG));
    EXPECT_FALSE(BASS_ChannelGetInfo(memory, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_ChannelSetSync(memory, BASS_SYNC_END, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_StreamFree(memory);
    EXPECT_EQ(BASS_StreamCreateFile(TRUE, bytes.data(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    // A colon in a file name is not a protocol prefix.
    const std::string colon = qwtest::wwwDir() + "/audiotest:colon.mp3";
    std::filesystem::copy_file(qwtest::wwwDir() + "/sine.mp3", colon,
                               std::filesystem::copy_options::overwrite_existing);
    HSTREAM named = BASS_StreamCreateFile(FALSE, colon.c_str(), 0, 0, BASS_STREAM_DECODE);
    EXPECT_NE(named, 0u) << BASS_ErrorGetCode();
    BASS_StreamFree(named);
    std::filesystem::remove(colon);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "/nonexistent/none.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
}

TEST_F(Streams, WmaFileOpensOnlyWithTheWmaCreateAndKeepsItsHeaderValues) {
    const std::string path = qwtest::wwwDir() + "/audiotest.wma";
    const std::string command = "ffmpeg -nostdin -v error -y -i '" + qwtest::wwwDir() +
                                "/sine.mp3' -c:a wmav2 -b:a 64k -metadata title='Wma Title' " +
                                "-metadata artist='Wma Author' '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    HSTREAM stream = BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD(BASS_CTYPE_STREAM_WMA));
    const std::string header = listText(BASS_ChannelGetTags(stream, BASS_TAG_WMA));
    EXPECT_NE(header.find("title=Wma Title\n"), std::string::npos) << header;
    EXPECT_NE(header.find("author=Wma Author\n"), std::string::npos) << header;
    EXPECT_NE(header.find("Bitrate="), std::string::npos) << header;
    EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_WMA_META), nullptr);
    BASS_StreamFree(stream);
    std::filesystem::remove(path);
}

TEST_F(Streams, UnicodeAddressAndRedirect) {
    const std::string url = qwtest::httpUrl("/redirect/302?to=/files/sine.mp3");
    const std::u16string wide(url.begin(), url.end());
    HSTREAM stream = BASS_StreamCreateURL(wide.c_str(), 0, BASS_UNICODE, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD(BASS_CTYPE_STREAM_MP3));
    BASS_StreamFree(stream);
}

TEST_F(Streams, HlsPlaylistPlaysThroughFfmpegsOwnProtocol) {
    // One-second AAC segments of the fixture's sine, served by the HTTP fixture.
    const std::string www = qwtest::wwwDir();
    const std::string command =
        "ffmpeg -nostdin -v error -y -i '" + www + "/sine.mp3' -c:a aac -b:a 96k -f hls " +
        "-hls_time 1 -hls_list_size 0 -hls_playlist_type vod -hls_segment_filename '" + www +
        "/audiotest_hls%d.ts' '" + www + "/audiotest_hls.m3u8'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    HSTREAM stream = createUrl(qwtest::httpUrl("/files/audiotest_hls.m3u8"),
                               BASS_STREAM_DECODE | BASS_SAMPLE_FLOAT);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD(BASS_CTYPE_STREAM_AAC));
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END), QWORD(-1));
    std::vector<float> block(8192);
    QWORD bytes = 0;
    for (DWORD got; (got = BASS_ChannelGetData(stream, block.data(), 8192 * 4)) != DWORD(-1);)
        bytes += got;
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, bytes), 5.0, 0.2);
    BASS_StreamFree(stream);
    for (const auto& entry : std::filesystem::directory_iterator(www)) {
        if (entry.path().filename().string().rfind("audiotest_hls", 0) == 0)
            std::filesystem::remove(entry.path());
    }
}

// Trying the decoders in turn costs one connection: the AAC create goes on with the bytes the
// generic one read and refused.
TEST_F(Streams, NextDecoderGoesOnWithTheRefusedConnection) {
    // The fixture's request log outlives a run: the address is this run's own.
    const std::string path =
        "/slow/sine.aac?rate=64000&test=" + std::to_string(getpid()) + "-" +
        std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::string url = qwtest::httpUrl(path);
    EXPECT_EQ(createUrl(url), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    HSTREAM stream = BASS_AAC_StreamCreateURL(url.c_str(), 0, 0, nullptr, nullptr);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD(BASS_CTYPE_STREAM_AAC));
    EXPECT_EQ(listText(BASS_ChannelGetTags(stream, BASS_TAG_HTTP)).rfind("HTTP/", 0), 0u);
    expectAudible(stream);
    BASS_StreamFree(stream);

    std::ifstream log(qwtest::fixtureDir() + "/httpserver/requests.log");
    std::string line;
    int requests = 0;
    while (std::getline(log, line))
        requests += line.find("GET " + path) != std::string::npos;
    EXPECT_EQ(requests, 1);
}

TEST_F(Streams, ProxyCarriesTheRequest) {
    const std::string http = qwtest::httpUrl("");
    const std::string hostPort = http.substr(http.find("//") + 2);
    ASSERT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, ("quill:wave@" + hostPort).c_str()));
    HSTREAM stream = createUrl("http://proxied.invalid/files/sine.mp3?via=proxy");
    BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr);
    BASS_StreamFree(stream);
    // The fixture logs the request line it got: a proxy request names the whole address.
    std::ifstream log(qwtest::fixtureDir() + "/httpserver/requests.log");
    std::string line;
    bool proxied = false;
    while (std::getline(log, line))
        proxied = proxied || line.find("GET http://proxied.invalid/files/sine.mp3?via=proxy") !=
                                 std::string::npos;
    EXPECT_TRUE(proxied);
}

TEST_F(Streams, ServerFailuresGiveTheirErrorCodes) {
    struct Row {
        const char* name;
        std::string url;
        int error;
    };
    const Row rows[] = {
        {"refused", "http://127.0.0.1:1/stream", BASS_ERROR_FILEOPEN},
        {"not found", qwtest::httpUrl("/status/404"), BASS_ERROR_FILEOPEN},
        {"server error", qwtest::httpUrl("/status/500"), BASS_ERROR_FILEOPEN},
        {"garbage", qwtest::httpUrl("/garbage?bytes=65536"), BASS_ERROR_FILEFORM},
        {"garbage as ogg", qwtest::httpUrl("/garbage?type=audio/ogg&seed=7"), BASS_ERROR_FILEFORM},
        {"text page", qwtest::httpUrl("/status/200?type=text/html&body=hello"),
         BASS_ERROR_FILEFORM},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(createUrl(row.url), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), row.error);
    }
}

TEST_F(Streams, SilentServerTimesOutWithinTheTimeout) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1500);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(createUrl(qwtest::httpUrl("/hang?seconds=30")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    const double elapsed = msSince(start);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs);
    EXPECT_GE(elapsed, 1400);
    EXPECT_LT(elapsed, 1500 + 1000);
}

TEST_F(Streams, TrickledAnswerTimesOutLikeASilentServer) {
    // Headers at once, then a byte a second: the time-out bounds the whole open.
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 1500);
    EXPECT_EQ(createUrl(qwtest::httpUrl("/slow/sine.mp3?rate=1")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    const std::string list = qwtest::wwwDir() + "/trickle.m3u";
    std::ofstream(list) << "#EXTM3U\n#EXTINF:-1,Sine\n" << qwtest::icecastUrl("/mp3") << "\n";
    EXPECT_EQ(createUrl(qwtest::httpUrl("/slow/trickle.m3u?rate=1")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_TIMEOUT);
    std::filesystem::remove(list);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs);
}

namespace {

// What the download callback received: the header blocks and the count of data bytes.
struct DownloadLog {
    std::mutex mutex;
    std::vector<std::string> headers;
    std::atomic<uint64_t> bytes{0};
    std::atomic<bool> ended{false};
    static void proc(const void* buffer, DWORD length, void* user) {
        auto* self = static_cast<DownloadLog*>(user);
        if (!buffer) {
            self->ended = true;
        } else if (length == 0) {
            std::lock_guard lock(self->mutex);
            self->headers.push_back(listText(static_cast<const char*>(buffer)));
        } else {
            self->bytes += length;
        }
    }
    std::string allHeaders() {
        std::lock_guard lock(mutex);
        std::string all;
        for (const auto& header : headers)
            all += header;
        return all;
    }
};

} // namespace

TEST_F(Streams, FailedOpenHandsTheServersAnswerToTheDownloadCallback) {
    struct Row {
        const char* name;
        std::string url;
        int error;
        const char* statusLine;
    };
    const Row rows[] = {
        {"unauthorized", qwtest::httpUrl("/auth/"), BASS_ERROR_FILEOPEN,
         "HTTP/1.1 401 Unauthorized"},
        {"not found", qwtest::httpUrl("/status/404"), BASS_ERROR_FILEOPEN,
         "HTTP/1.1 404 Not Found"},
        {"redirect loop", qwtest::httpUrl("/redirect/loop"), BASS_ERROR_FILEOPEN,
         "HTTP/1.1 302 Found"},
        // libcurl reports a header line beyond its limit as out of memory.
        {"over-long header line", qwtest::httpUrl("/status/200?longheader=200000"),
         BASS_ERROR_FILEFORM, "HTTP/1.1 200 OK"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DownloadLog log;
        EXPECT_EQ(createUrl(row.url, BASS_STREAM_STATUS, DownloadLog::proc, &log), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), row.error);
        EXPECT_NE(log.allHeaders().find(row.statusLine), std::string::npos) << log.allHeaders();
    }
}

TEST_F(Streams, DataCompleteBeforeTheCreateReturnsReachesTheDownloadCallback) {
    const auto size = std::filesystem::file_size(qwtest::wwwDir() + "/sine.mp3");
    DownloadLog log;
    HSTREAM stream = createUrl(qwtest::httpUrl("/files/sine.mp3"), BASS_STREAM_STATUS,
                               DownloadLog::proc, &log);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_TRUE(waitFor([&] { return log.ended.load(); }, 5000));
    EXPECT_EQ(log.bytes.load(), size);
    EXPECT_NE(log.allHeaders().find("HTTP/1.1 200 OK"), std::string::npos);
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(Streams, AnOwnersAbortEndsItsCreateAndRefusesNewOnesUntilLifted) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 60000);
    int owner = 0;
    std::atomic<bool> done{false};
    std::atomic<HSTREAM> created{1};
    std::atomic<int> error{0};
    std::thread connector([&] {
        BASS_StreamCreateOwner(&owner);
        created = createUrl(qwtest::httpUrl("/hang?seconds=60"));
        error = BASS_ErrorGetCode();
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(BASS_StreamAbortCreates(&owner, TRUE));
    EXPECT_TRUE(waitFor([&] { return done.load(); }, 10000));
    connector.join();
    EXPECT_EQ(created.load(), 0u);
    EXPECT_EQ(error.load(), BASS_ERROR_FILEOPEN);

    // Refused while the abort stands, on any thread the owner creates from; others go on.
    BASS_StreamCreateOwner(&owner);
    EXPECT_EQ(createUrl(qwtest::httpUrl("/files/sine.mp3")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    BASS_StreamCreateOwner(nullptr);
    HSTREAM other = createUrl(qwtest::httpUrl("/files/sine.mp3"));
    EXPECT_NE(other, 0u) << BASS_ErrorGetCode();
    BASS_StreamFree(other);
    EXPECT_TRUE(BASS_StreamAbortCreates(&owner, FALSE));
    BASS_StreamCreateOwner(&owner);
    HSTREAM again = createUrl(qwtest::httpUrl("/files/sine.mp3"));
    EXPECT_NE(again, 0u) << BASS_ErrorGetCode();
    BASS_StreamFree(again);
    BASS_StreamCreateOwner(nullptr);
    EXPECT_FALSE(BASS_StreamAbortCreates(nullptr, TRUE));
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs);
}

TEST_F(Streams, DroppedSourceEndsAndAutoFrees) {
    HSTREAM stream =
        createUrl(qwtest::httpUrl("/truncated/sine.mp3?keep=30000"), BASS_STREAM_AUTOFREE);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    SyncLog log;
    TypedSync end{&log, BASS_SYNC_END};
    ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, TypedSync::proc, &end), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(waitFor([&] { return log.has(BASS_SYNC_END, 0); }, 10000));
    EXPECT_TRUE(waitFor(
        [&] {
            return BASS_ChannelIsActive(stream) == BASS_ACTIVE_STOPPED &&
                   BASS_ErrorGetCode() == BASS_ERROR_HANDLE;
        },
        2000));
    // About 1.9 s of audio was heard before the end (30000 bytes at 128 kbit/s).
}

TEST_F(Streams, IcecastSourceThatDropsEndsTheStream) {
    // Our own source on a free mount, so that dropping it disturbs no other test.
    const std::string base = qwtest::fixtureValue("QW_ICECAST_URL");
    const std::string target =
        "icecast://source:" + qwtest::fixtureValue("QW_ICECAST_SOURCE_PASSWORD") + "@" +
        base.substr(base.find("//") + 2) + "/qwaudio_drop.mp3";
    const char* argv[] = {"ffmpeg",
                          "-nostdin",
                          "-v",
                          "error",
                          "-re",
                          "-f",
                          "lavfi",
                          "-i",
                          "sine=frequency=440:sample_rate=44100",
                          "-ac",
                          "2",
                          "-c:a",
                          "libmp3lame",
                          "-b:a",
                          "128k",
                          "-content_type",
                          "audio/mpeg",
                          "-f",
                          "mp3",
                          target.c_str(),
                          nullptr};
    pid_t source = 0;
    ASSERT_EQ(posix_spawnp(&source, "ffmpeg", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    HSTREAM stream = 0;
    waitFor(
        [&] {
            stream = createUrl(base + "/qwaudio_drop.mp3");
            return stream != 0;
        },
        10000);
    if (stream != 0) {
        SyncLog log;
        TypedSync end{&log, BASS_SYNC_END};
        BASS_ChannelSetSync(stream, BASS_SYNC_END, 0, TypedSync::proc, &end);
        EXPECT_TRUE(BASS_ChannelPlay(stream, FALSE));
        EXPECT_TRUE(
            waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 0; }, 5000));
        kill(source, SIGTERM);
        EXPECT_TRUE(waitFor([&] { return log.has(BASS_SYNC_END, 0); }, 15000));
        EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
        BASS_StreamFree(stream);
    }
    kill(source, SIGTERM);
    waitpid(source, nullptr, 0);
    EXPECT_NE(stream, 0u) << "the test's own source never reached Icecast";
}

TEST_F(Streams, SlowServerStallsThenResumes) {
    HSTREAM stream = createUrl(qwtest::httpUrl("/slow/sine.mp3?rate=9000"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    SyncLog log;
    TypedSync stall{&log, BASS_SYNC_STALL};
    ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_STALL, 0, TypedSync::proc, &stall), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(waitFor([&] { return log.has(BASS_SYNC_STALL, 0); }, 8000));
    ASSERT_TRUE(waitFor([&] { return log.has(BASS_SYNC_STALL, 1); }, 8000));
    const auto entries = log.snapshot();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0].data, 0u); // stalled comes first, then resumed
    EXPECT_EQ(entries[1].data, 1u);
    BASS_StreamFree(stream);
}

namespace {

// Download callback and metadata sync of the ICY test: counts clean bytes and remembers how many
// had arrived when each metadata block was announced.
struct IcyProbe {
    std::mutex mutex;
    std::string firstHeader;
    int calls = 0;
    size_t bytes = 0;
    bool metaInData = false;
    std::vector<size_t> bytesAtMeta;
    std::vector<std::string> metas;
    HSTREAM stream = 0;

    static void download(const void* buffer, DWORD length, void* user) {
        auto* self = static_cast<IcyProbe*>(user);
        std::lock_guard lock(self->mutex);
        if (self->calls++ == 0 && length == 0 && buffer)
            self->firstHeader = listText(static_cast<const char*>(buffer));
        if (length > 0) {
            self->bytes += length;
            const std::string data(static_cast<const char*>(buffer), length);
            self->metaInData = self->metaInData || data.find("StreamTitle") != std::string::npos;
        }
    }
    static void meta(HSYNC, DWORD channel, DWORD, void* user) {
        auto* self = static_cast<IcyProbe*>(user);
        const char* text = BASS_ChannelGetTags(channel, BASS_TAG_META);
        std::lock_guard lock(self->mutex);
        self->bytesAtMeta.push_back(self->bytes);
        self->metas.push_back(text ? text : "");
    }
};

} // namespace

TEST_F(Streams, IcyMetadataIsCutOutAndAnnouncedAtItsPlace) {
    IcyProbe probe;
    const std::string url =
        qwtest::httpUrl("/icy?titles=One%20-%20First|Two%20-%20Second&interval=1&metaint=8192");
    HSTREAM stream = createUrl(url, BASS_STREAM_STATUS, IcyProbe::download, &probe);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, IcyProbe::meta, &probe), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    ASSERT_TRUE(waitFor(
        [&] {
            std::lock_guard lock(probe.mutex);
            return probe.metas.size() >= 2;
        },
        8000));
    BASS_StreamFree(stream);
    std::lock_guard lock(probe.mutex);
    EXPECT_EQ(probe.firstHeader.rfind("ICY 200 OK\n", 0), 0u) << probe.firstHeader;
    EXPECT_NE(probe.firstHeader.find("icy-metaint"), std::string::npos);
    EXPECT_FALSE(probe.metaInData);
    for (size_t i = 0; i < probe.metas.size(); ++i) {
        SCOPED_TRACE(i);
        // The clean bytes before the block belong to the old title: a block sits after exactly
        // a whole number of intervals.
        EXPECT_EQ(probe.bytesAtMeta[i] % 8192, 0u);
        EXPECT_EQ(probe.metas[i].rfind("StreamTitle='", 0), 0u) << probe.metas[i];
    }
    EXPECT_NE(probe.metas[0], probe.metas[1]);
}

TEST_F(Streams, IcyHeadersAndBufferPositions) {
    HSTREAM stream = createUrl(qwtest::httpUrl("/icy?name=Pos%20Test"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelGetTags(stream, BASS_TAG_HTTP), nullptr);
    const std::string icy = listText(BASS_ChannelGetTags(stream, BASS_TAG_ICY));
    EXPECT_NE(icy.find("icy-name: Pos Test\n"), std::string::npos) << icy;
    // The engine derives the bit rate from the buffer size and the buffer length in ms.
    const QWORD end = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
    EXPECT_EQ(end * 8 / BASS_GetConfig(BASS_CONFIG_NET_BUFFER), 128u);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    const QWORD before = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD);
    ASSERT_TRUE(waitFor(
        [&] { return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD) > before + 8000; },
        3000));
    EXPECT_LE(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT),
              BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD));
    BASS_StreamFree(stream);

    const std::string path = qwtest::wwwDir() + "/sine.wav";
    HSTREAM file = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(file, 0u);
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    EXPECT_EQ(BASS_StreamGetFilePosition(file, BASS_FILEPOS_END), QWORD(in.tellg()));
    BASS_StreamFree(file);
}

// Until it plays, a stream leaves what arrives in its download buffer, so a wait for the buffer
// to fill sees every byte the server sent (its burst first); playing starts the reading. The
// opening decodes one frame: what the demuxer read beyond it (it reads MP3 in 1 KiB blocks)
// still counts as buffered, or a burst of just the wanted share would fall short.
TEST_F(Streams, BytesStayBufferedUntilTheStreamPlays) {
    HSTREAM stream = createUrl(qwtest::icecastUrl("/mp3"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    const QWORD end = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_END);
    const QWORD opened = BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
    EXPECT_GT(opened, 0u);
    EXPECT_LT(opened, 2048u);
    const auto buffered = [&] {
        return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_DOWNLOAD) -
               BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT);
    };
    ASSERT_TRUE(waitFor([&] { return buffered() * 100 / end > 90; }, 10000)) << buffered();
    EXPECT_EQ(BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT), opened);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), 0u);

    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_TRUE(waitFor(
        [&] { return BASS_StreamGetFilePosition(stream, BASS_FILEPOS_CURRENT) > opened; }, 5000));
    EXPECT_TRUE(
        waitFor([&] { return BASS_ChannelGetPosition(stream, BASS_POS_BYTE) > 0; }, 5000));
    BASS_StreamFree(stream);
}

TEST_F(Streams, PlaylistAddressPlaysItsFirstEntry) {
    const std::string list = qwtest::wwwDir() + "/audiotest.pls";
    {
        std::ofstream out(list);
        out << "[playlist]\nNumberOfEntries=1\nFile1=" << qwtest::httpUrl("/files/sine.ogg")
            << "\n";
    }
    HSTREAM stream = createUrl(qwtest::httpUrl("/files/audiotest.pls"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(stream, &info));
    EXPECT_EQ(info.ctype, DWORD(BASS_CTYPE_STREAM_OGG));
    BASS_StreamFree(stream);

    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 0);
    EXPECT_EQ(createUrl(qwtest::httpUrl("/files/audiotest.pls")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    BASS_SetConfig(BASS_CONFIG_NET_PLAYLIST, 2);
}

TEST_F(Streams, IcecastTitleChangeReachesTheMetaSync) {
    struct Row {
        const char* mount;
        DWORD tag;
        const char* expected;
    };
    const Row rows[] = {
        {"/mp3", BASS_TAG_META, "StreamTitle='Meta Artist - Meta Song';"},
        {"/ogg", BASS_TAG_OGG, "title=Meta Song"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mount);
        HSTREAM stream = createUrl(qwtest::icecastUrl(row.mount));
        ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
        SyncLog log;
        TypedSync meta{&log, BASS_SYNC_META};
        ASSERT_NE(BASS_ChannelSetSync(stream, BASS_SYNC_META, 0, TypedSync::proc, &meta), 0u);
        ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
        ASSERT_TRUE(qwtest::setMountTitle(row.mount, "Meta Artist - Meta Song"));
        auto tagText = [&] {
            const char* tags = BASS_ChannelGetTags(stream, row.tag);
            std::string text =
                row.tag == BASS_TAG_META ? std::string(tags ? tags : "") : listText(tags);
            for (auto& c : text)
                c = row.tag == BASS_TAG_META ? c
                                             : char(std::tolower(static_cast<unsigned char>(c)));
            return text;
        };
        EXPECT_TRUE(waitFor(
            [&] {
                return log.has(BASS_SYNC_META, 0) &&
                       tagText().find(row.tag == BASS_TAG_META
                                          ? row.expected
                                          : "title=meta song") != std::string::npos;
            },
            10000))
            << tagText();
        BASS_StreamFree(stream);
        qwtest::setMountTitle(row.mount, "Quillowave Test - Sine 440");
    }
}

TEST_F(Streams, StateVolumeSlidesAndLevels) {
    HSTREAM stream = createUrl(qwtest::icecastUrl("/mp3"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    expectAudible(stream);
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    float value = 0;
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_FREQ, &value));
    EXPECT_EQ(value, 44100.0f);

    ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.5f));
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &value));
    EXPECT_EQ(value, 0.5f);
    EXPECT_TRUE(waitFor(
        [&] { return std::abs(levelLeft(BASS_ChannelGetLevel(stream)) - 8192) < 1500; }, 2000));

    ASSERT_TRUE(BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_VOL, 0.0f, 300));
    EXPECT_TRUE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL));
    ASSERT_TRUE(waitFor([&] { return !BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL); }, 3000));
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &value));
    EXPECT_EQ(value, 0.0f);
    EXPECT_TRUE(waitFor([&] { return BASS_ChannelGetLevel(stream) == 0; }, 1000));

    ASSERT_TRUE(BASS_ChannelPause(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PAUSED));
    const QWORD paused = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_BYTE), paused);
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(BASS_ChannelStop(stream));
    EXPECT_EQ(BASS_ChannelIsActive(stream), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(BASS_StreamFree(stream));
}

namespace {

struct DspProbe {
    std::atomic<float> gain{1.0f};
    std::atomic<float> peak{0.0f};
    std::atomic<bool> oddLength{false};
    static void proc(HDSP, DWORD, void* buffer, DWORD length, void* user) {
        auto* self = static_cast<DspProbe*>(user);
        auto* samples = static_cast<float*>(buffer);
        if (length % (2 * sizeof(float)) != 0)
            self->oddLength = true;
        float peak = 0;
        for (DWORD i = 0; i < length / sizeof(float); ++i) {
            peak = std::max(peak, std::abs(samples[i]));
            samples[i] *= self->gain.load();
        }
        self->peak = peak;
    }
};

} // namespace

// Volume, pan and frequency share one path for setting, reading and sliding: each keeps its own
// range, a value set outright ends a slide of that attribute only, and others are refused.
TEST_F(Streams, AttributesKeepTheirRangesAndASetEndsItsSlide) {
    const std::string path = qwtest::wwwDir() + "/sine.mp3";
    HSTREAM stream = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    struct Row {
        DWORD attrib;
        float set;
        float expected;
    };
    for (const Row& row :
         {Row{BASS_ATTRIB_VOL, -1.0f, 0.0f}, Row{BASS_ATTRIB_VOL, 2.5f, 2.5f},
          Row{BASS_ATTRIB_PAN, 2.0f, 1.0f}, Row{BASS_ATTRIB_PAN, -3.0f, -1.0f},
          Row{BASS_ATTRIB_FREQ, 22050.0f, 22050.0f}, Row{BASS_ATTRIB_FREQ, 0.0f, 44100.0f}}) {
        float value = -9;
        ASSERT_TRUE(BASS_ChannelSetAttribute(stream, row.attrib, row.set)) << row.attrib;
        ASSERT_TRUE(BASS_ChannelGetAttribute(stream, row.attrib, &value));
        EXPECT_EQ(value, row.expected) << row.attrib << " set to " << row.set;
    }
    EXPECT_FALSE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_FREQ, 50.0f));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_FREQ, 8000.0f, 100));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    float value = 0;
    EXPECT_FALSE(BASS_ChannelGetAttribute(stream, 99, &value));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);

    ASSERT_TRUE(BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_PAN, -5.0f, 60000));
    EXPECT_TRUE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_PAN));
    EXPECT_FALSE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL));
    ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_VOL, 0.75f));
    EXPECT_TRUE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_PAN));
    ASSERT_TRUE(BASS_ChannelSetAttribute(stream, BASS_ATTRIB_PAN, 0.25f));
    EXPECT_FALSE(BASS_ChannelIsSliding(stream, 0));
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_PAN, &value));
    EXPECT_EQ(value, 0.25f);
    // A slide over no time is a set.
    ASSERT_TRUE(BASS_ChannelSlideAttribute(stream, BASS_ATTRIB_VOL, 0.3f, 0));
    EXPECT_FALSE(BASS_ChannelIsSliding(stream, BASS_ATTRIB_VOL));
    ASSERT_TRUE(BASS_ChannelGetAttribute(stream, BASS_ATTRIB_VOL, &value));
    EXPECT_EQ(value, 0.3f);
    EXPECT_TRUE(BASS_StreamFree(stream));
}

TEST_F(Streams, DspSeesFloatSamplesAndChangesWhatIsHeard) {
    HSTREAM stream = createUrl(qwtest::icecastUrl("/ogg"));
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    DspProbe probe;
    HDSP dsp = BASS_ChannelSetDSP(stream, DspProbe::proc, &probe, 0);
    ASSERT_NE(dsp, 0u);
    expectAudible(stream);
    EXPECT_NEAR(probe.peak.load(), 0.5f, 0.08f);
    EXPECT_FALSE(probe.oddLength.load());
    probe.gain = 0.0f;
    EXPECT_TRUE(waitFor([&] { return BASS_ChannelGetLevel(stream) == 0; }, 3000));
    ASSERT_TRUE(BASS_ChannelRemoveDSP(stream, dsp));
    EXPECT_TRUE(waitFor([&] { return levelLeft(BASS_ChannelGetLevel(stream)) > 10000; }, 3000));
    EXPECT_FALSE(BASS_ChannelRemoveDSP(stream, dsp));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    BASS_StreamFree(stream);
}

namespace {

struct LateCallbacks {
    std::atomic<bool> freed{false};
    std::atomic<int> afterFree{0};
    static void download(const void*, DWORD, void* user) {
        auto* self = static_cast<LateCallbacks*>(user);
        if (self->freed)
            ++self->afterFree;
    }
};

} // namespace

TEST_F(Streams, FreeAndStopReturnQuicklyWhileTheServerTrickles) {
    LateCallbacks late;
    HSTREAM stream =
        createUrl(qwtest::httpUrl("/slow/sine.mp3?rate=4000"), 0, LateCallbacks::download, &late);
    ASSERT_NE(stream, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(stream, FALSE));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_ChannelStop(stream));
    EXPECT_LT(msSince(start), 100 * 3);
    start = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_StreamFree(stream));
    EXPECT_LT(msSince(start), 100 * 3);
    late.freed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(late.afterFree.load(), 0);
}

// Runs last in this suite: it ends the library while a create hangs, then starts it again.
TEST_F(Streams, ZFreeEndsAHangingCreateQuickly) {
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, 30000);
    std::atomic<HSTREAM> created{1};
    std::atomic<int> error{0};
    std::thread connector([&] {
        created = createUrl(qwtest::httpUrl("/hang?seconds=60"));
        error = BASS_ErrorGetCode();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(BASS_Free());
    EXPECT_LT(msSince(start), 100 * 3);
    connector.join();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(created.load(), 0u);
    EXPECT_NE(error.load(), 0);
    BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs);

    // Without the library every create fails with BASS_ERROR_INIT; afterwards it starts again.
    EXPECT_EQ(createUrl(qwtest::icecastUrl("/mp3")), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, "x.mp3", 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(BASS_Init(99, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
}

// A station plays for hours through the network path (a non-seekable buffer); what FFmpeg keeps
// per key frame must not grow with it. 40 s of MP3 frames are about 1500 key frames.
TEST(Decoder, SeekIndexStaysBoundedOnAnEndlessInput) {
    std::ifstream file(qwtest::wwwDir() + "/sine.mp3", std::ios::binary);
    ASSERT_TRUE(file) << "fixture file sine.mp3 missing";
    const std::string once((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    constexpr int kRepeats = 8;
    qwaudio::ByteBuffer buffer(once.size() * kRepeats);
    for (int i = 0; i < kRepeats; ++i)
        ASSERT_TRUE(buffer.write(reinterpret_cast<const uint8_t*>(once.data()), once.size()));
    buffer.setEndOfData();

    const std::atomic<bool> abort{false};
    qwaudio::Decoder decoder(&abort);
    ASSERT_EQ(decoder.openBuffer(&buffer, qwaudio::StreamKind::Generic, "audio/mpeg",
                                 std::chrono::steady_clock::now() + std::chrono::seconds(2)),
              0);
    size_t samples = 0;
    int mostEntries = 0;
    std::vector<float> out;
    while (decoder.decode(out) == qwaudio::Decoder::Result::Samples) {
        samples += out.size();
        out.clear();
        mostEntries = std::max(mostEntries, decoder.seekIndexEntries());
    }
    const double seconds = double(samples) / decoder.channels() / decoder.sampleRate();
    EXPECT_GT(seconds, 5.0 * kRepeats - 1.0);
    EXPECT_GT(mostEntries, 0);
    EXPECT_LE(mostEntries, 16 * 1024 / 24);
}

TEST(Library, DevicesConfigAndPerThreadErrors) {
    BASS_DEVICEINFO info;
    ASSERT_TRUE(BASS_GetDeviceInfo(0, &info));
    EXPECT_STREQ(info.name, "No sound");
    ASSERT_TRUE(BASS_GetDeviceInfo(1, &info));
    EXPECT_TRUE(info.flags & BASS_DEVICE_DEFAULT);
    DWORD count = 0;
    while (BASS_GetDeviceInfo(count, &info))
        ++count;
    EXPECT_GE(count, 2u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);

    EXPECT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, "user:pass@127.0.0.1:3128"));
    EXPECT_STREQ(static_cast<const char*>(BASS_GetConfigPtr(BASS_CONFIG_NET_PROXY)),
                 "user:pass@127.0.0.1:3128");
    EXPECT_TRUE(BASS_SetConfigPtr(BASS_CONFIG_NET_PROXY, nullptr));
    EXPECT_EQ(BASS_GetConfigPtr(BASS_CONFIG_NET_PROXY), nullptr);
    EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_WMA_PREBUF, 1));
    EXPECT_FALSE(BASS_SetConfig(0x7777, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLTYPE);
    EXPECT_NE(BASS_PluginLoad("basswma.dll", 0), 0u);

    // Each thread sees its own last error.
    EXPECT_FALSE(BASS_ChannelPlay(0xDEAD, FALSE));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    std::thread other([] {
        EXPECT_EQ(BASS_ErrorGetCode(), 0);
        EXPECT_TRUE(BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, kNetTimeoutMs));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);
    });
    other.join();
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}
