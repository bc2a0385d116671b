#pragma once

// Watches the raw bytes of an Ogg stream for the comment header of each new chain link
// (Vorbis, Opus, FLAC), so that a title change of a live Ogg stream is seen at the place it
// arrives. Network thread only; owned by the channel.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qwaudio {

class OggCommentScanner {
public:
    // The comments of a link as "key=value" texts, in stream order.
    using Sink = std::function<void(const std::vector<std::string>& comments)>;

    explicit OggCommentScanner(Sink sink);

    void feed(const uint8_t* data, size_t length);
    // The byte (counted over everything fed) where the latest link's first page began, -1
    // before any; any thread.
    int64_t linkStart() const { return m_linkStart.load(); }

    // "key=value" texts of a Vorbis comment block (vendor string, count, entries); empty when
    // the block is malformed.
    static std::vector<std::string> parseCommentBlock(const uint8_t* data, size_t length);

private:
    void onPage(const uint8_t* page, size_t headerLength, uint64_t pageStart);
    void onPacket(const std::vector<uint8_t>& packet);

    Sink m_sink;
    std::vector<uint8_t> m_pending; // bytes of an incomplete page
    uint64_t m_fed = 0;             // bytes fed so far
    std::atomic<int64_t> m_linkStart{-1};
    uint32_t m_serial = 0;
    bool m_inLink = false; // a BOS page was seen and its comment packet is still to come
    int m_packetIndex = 0; // packets of the current link so far
    std::vector<uint8_t> m_packet;
};

} // namespace qwaudio
