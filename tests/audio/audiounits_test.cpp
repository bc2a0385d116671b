// The audio library's pure parts: the ICY splitter, playlist entries, UTF-16 arguments and the
// bounded byte buffer's waits.

#include "audio/bytebuffer.h"
#include "audio/icystreamparser.h"
#include "audio/oggcommentscanner.h"
#include "audio/playlistparser.h"
#include "audio/textcodec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace qwaudio;

namespace {

struct IcyResult {
    std::string audio;
    std::vector<std::string> metas;
    std::vector<size_t> audioBeforeMeta; // audio bytes seen when each block arrived
};

IcyResult splitIcy(const std::string& wire, size_t metaint, size_t chunk) {
    IcyResult result;
    IcyStreamParser parser(
        metaint,
        [&](const uint8_t* data, size_t length) {
            result.audio.append(reinterpret_cast<const char*>(data), length);
        },
        [&](const std::string& text) {
            result.metas.push_back(text);
            result.audioBeforeMeta.push_back(result.audio.size());
        });
    for (size_t pos = 0; pos < wire.size(); pos += chunk) {
        const std::string part = wire.substr(pos, chunk);
        parser.feed(reinterpret_cast<const uint8_t*>(part.data()), part.size());
    }
    return result;
}

std::string metaBlock(const std::string& text) {
    const size_t padded = (text.size() + 15) / 16 * 16;
    std::string block(1, char(padded / 16));
    block += text;
    block.append(padded - text.size(), '\0');
    return block;
}

} // namespace

TEST(IcyStreamParser, CutsBlocksOutAtEveryChunking) {
    const std::string first = "StreamTitle='A - B';";
    const std::string second = "StreamTitle='C - D';StreamUrl='';";
    // Three intervals of 10 bytes: a title, an empty block, another title.
    const std::string wire = std::string(10, 'a') + metaBlock(first) + std::string(10, 'b') +
                             std::string(1, '\0') + std::string(10, 'c') + metaBlock(second) +
                             std::string(4, 'd');
    for (size_t chunk : {1u, 3u, 7u, 16u, 1000u}) {
        SCOPED_TRACE(chunk);
        IcyResult result = splitIcy(wire, 10, chunk);
        EXPECT_EQ(result.audio, std::string(10, 'a') + std::string(10, 'b') + std::string(10, 'c') +
                                    std::string(4, 'd'));
        ASSERT_EQ(result.metas.size(), 2u);
        EXPECT_EQ(result.metas[0], first);
        EXPECT_EQ(result.metas[1], second);
        EXPECT_EQ(result.audioBeforeMeta[0], 10u);
        EXPECT_EQ(result.audioBeforeMeta[1], 30u);
    }
}

TEST(IcyStreamParser, WithoutIntervalEverythingIsAudio) {
    const std::string wire = std::string(5, 'x') + metaBlock("StreamTitle='x';");
    IcyResult result = splitIcy(wire, 0, 4);
    EXPECT_EQ(result.audio, wire);
    EXPECT_TRUE(result.metas.empty());
}

TEST(IcyStreamParser, AllZeroBlockIsNotReported) {
    const std::string wire =
        std::string(4, 'a') + std::string(1, '\1') + std::string(16, '\0') + std::string(4, 'b');
    IcyResult result = splitIcy(wire, 4, 5);
    EXPECT_EQ(result.audio, "aaaabbbb");
    EXPECT_TRUE(result.metas.empty());
}

TEST(PlaylistParser, FirstEntry) {
    struct Row {
        const char* name;
        const char* body;
        const char* expected;
    };
    const Row rows[] = {
        {"pls",
         "[playlist]\nNumberOfEntries=2\nFile1=http://a.example/1\nTitle1=x\n"
         "File2=http://b.example/2\n",
         "http://a.example/1"},
        {"pls with CRLF and spaces", "[playlist]\r\nFile1 = http://a.example/s \r\n",
         "http://a.example/s"},
        {"m3u", "#EXTM3U\n#EXTINF:-1,Radio\nhttp://c.example:8000/live\n",
         "http://c.example:8000/live"},
        {"m3u skips local paths", "C:\\music\\a.mp3\nmms://d.example/x\n", "mms://d.example/x"},
        {"empty", "", ""},
        {"no address", "[playlist]\nFile1=relative.mp3\n", ""},
        {"garbage", "\x01\x02\xff\xfe", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PlaylistParser::firstEntry(row.body), row.expected);
    }
}

TEST(PlaylistParser, RecognisesPlaylistsAndHls) {
    EXPECT_TRUE(PlaylistParser::looksLikePlaylist("audio/x-scpls", "http://h/x"));
    EXPECT_TRUE(PlaylistParser::looksLikePlaylist("text/plain", "http://h/list.M3U?x=1"));
    EXPECT_FALSE(PlaylistParser::looksLikePlaylist("audio/mpeg", "http://h/stream"));
    EXPECT_TRUE(PlaylistParser::isHls("application/vnd.apple.mpegurl", "http://h/a", ""));
    EXPECT_TRUE(PlaylistParser::isHls("audio/x-mpegurl", "http://h/a.m3u",
                                      "#EXTM3U\n#EXT-X-TARGETDURATION:6\n"));
    EXPECT_FALSE(
        PlaylistParser::isHls("audio/x-mpegurl", "http://h/a.m3u", "#EXTM3U\nhttp://h/stream\n"));
}

TEST(TextCodec, Utf16Arguments) {
    EXPECT_EQ(TextCodec::argument(u"http://h/\u00e9\u4e2d", true), "http://h/\xc3\xa9\xe4\xb8\xad");
    EXPECT_EQ(TextCodec::argument(u"\U0001F3B5", true), "\xf0\x9f\x8e\xb5");
    const char16_t lone[] = {0xD800, u'a', 0};
    EXPECT_EQ(TextCodec::argument(lone, true), "\xef\xbf\xbd"
                                               "a");
    EXPECT_EQ(TextCodec::argument("plain", false), "plain");
    EXPECT_EQ(TextCodec::argument(nullptr, true), "");
}

TEST(ByteBuffer, KeepsOrderAcrossWrapAndCounts) {
    ByteBuffer buffer(8);
    std::string out;
    uint8_t chunk[5];
    for (int round = 0; round < 4; ++round) {
        const std::string in = "abcde";
        ASSERT_TRUE(buffer.write(reinterpret_cast<const uint8_t*>(in.data()), in.size()));
        long count = buffer.read(chunk, sizeof chunk, 0);
        ASSERT_EQ(count, 5);
        out.append(reinterpret_cast<char*>(chunk), size_t(count));
    }
    EXPECT_EQ(out, "abcdeabcdeabcdeabcde");
    EXPECT_EQ(buffer.totalWritten(), 20u);
    EXPECT_EQ(buffer.totalRead(), 20u);
}

TEST(ByteBuffer, GrowingKeepsUnreadBytes) {
    ByteBuffer buffer(4);
    const uint8_t in[] = {1, 2, 3};
    uint8_t out[8] = {};
    ASSERT_TRUE(buffer.write(in, 3));
    ASSERT_EQ(buffer.read(out, 2, 0), 2);
    ASSERT_TRUE(buffer.write(in, 3)); // wraps: 3, 1, 2, 3
    buffer.setCapacity(16);
    EXPECT_EQ(buffer.capacity(), 16u);
    ASSERT_EQ(buffer.read(out, 8, 0), 4);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{3, 1, 2, 3}));
}

TEST(ByteBuffer, ReadEndsOnTimeoutEndAndAbort) {
    ByteBuffer buffer(4);
    uint8_t byte = 0;
    EXPECT_EQ(buffer.read(&byte, 1, 20), ByteBuffer::TimedOut);
    buffer.setEndOfData();
    EXPECT_EQ(buffer.read(&byte, 1, -1), ByteBuffer::EndOfData);

    // A writer blocked on a full buffer and a reader without a time limit both return on abort.
    ByteBuffer full(2);
    const uint8_t data[] = {1, 2, 3, 4};
    bool written = true;
    std::thread writer([&] { written = full.write(data, 4); });
    ByteBuffer empty(2);
    long readResult = 0;
    std::thread reader([&] { readResult = empty.read(&byte, 1, -1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    full.abort();
    empty.abort();
    writer.join();
    reader.join();
    EXPECT_FALSE(written);
    EXPECT_EQ(readResult, ByteBuffer::Aborted);
}

namespace {

std::string le32(uint32_t value) {
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = char((value >> (8 * i)) & 0xFF);
    return out;
}

std::string commentBlock(const std::vector<std::string>& comments) {
    std::string block = le32(6) + "vendor" + le32(uint32_t(comments.size()));
    for (const auto& comment : comments)
        block += le32(uint32_t(comment.size())) + comment;
    return block;
}

// One Ogg page holding the given packets (each below 255 bytes keeps the lacing simple).
std::string oggPage(uint8_t flags, uint32_t serial, const std::vector<std::string>& packets) {
    std::string page = "OggS";
    page += char(0);
    page += char(flags);
    page += std::string(8, '\0') + le32(serial) + le32(0) + le32(0);
    page += char(packets.size());
    for (const auto& packet : packets)
        page += char(packet.size());
    for (const auto& packet : packets)
        page += packet;
    return page;
}

} // namespace

TEST(OggCommentScanner, ReportsTheCommentsOfEachNewLink) {
    const std::string vorbisId = "\x01vorbis" + std::string(20, 'x');
    const std::string opusHead = "OpusHead" + std::string(11, 'x');
    const std::string stream =
        oggPage(0x02, 1, {vorbisId}) +
        oggPage(0x00, 1, {"\x03vorbis" + commentBlock({"TITLE=First", "ARTIST=A"}), "setup"}) +
        oggPage(0x00, 1, {"audio"}) + "junk between pages" + oggPage(0x02, 2, {opusHead}) +
        oggPage(0x00, 2, {"OpusTags" + commentBlock({"title=Second"})}) +
        oggPage(0x00, 2, {"\x03vorbis" + commentBlock({"TITLE=not a header"})});
    // Where each link's first page begins: a title's audio starts there.
    const std::vector<int64_t> linkStarts = {0,
                                             int64_t(stream.find(std::string("OggS\0\x02", 6), 1))};
    for (size_t chunk : {1u, 5u, 64u, 4096u}) {
        SCOPED_TRACE(chunk);
        std::vector<std::vector<std::string>> seen;
        std::vector<int64_t> startsSeen;
        OggCommentScanner* watched = nullptr;
        OggCommentScanner scanner([&](const std::vector<std::string>& c) {
            seen.push_back(c);
            startsSeen.push_back(watched->linkStart());
        });
        watched = &scanner;
        EXPECT_EQ(scanner.linkStart(), -1);
        for (size_t pos = 0; pos < stream.size(); pos += chunk) {
            const std::string part = stream.substr(pos, chunk);
            scanner.feed(reinterpret_cast<const uint8_t*>(part.data()), part.size());
        }
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0], (std::vector<std::string>{"TITLE=First", "ARTIST=A"}));
        EXPECT_EQ(seen[1], (std::vector<std::string>{"title=Second"}));
        EXPECT_EQ(startsSeen, linkStarts);
    }
}

TEST(OggCommentScanner, MalformedCommentBlocks) {
    struct Row {
        const char* name;
        std::string block;
        size_t expected;
    };
    const Row rows[] = {
        {"valid", commentBlock({"a=1", "b=2"}), 2},
        {"empty list", commentBlock({}), 0},
        {"too short", "abc", 0},
        {"vendor past end", le32(1000) + "v", 0},
        {"count past end", le32(1) + "v" + le32(5) + le32(3) + "a=1", 0},
        {"entry past end", le32(1) + "v" + le32(1) + le32(99) + "a=1", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(OggCommentScanner::parseCommentBlock(
                      reinterpret_cast<const uint8_t*>(row.block.data()), row.block.size())
                      .size(),
                  row.expected);
    }
}
