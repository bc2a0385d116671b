#include "audio/oggcommentscanner.h"

#include <algorithm>
#include <cstring>

namespace qwaudio {

namespace {

constexpr size_t kPageHeader = 27;
constexpr size_t kMaxCommentPacket = 256 * 1024;

uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

OggCommentScanner::OggCommentScanner(Sink sink) : m_sink(std::move(sink)) {}

std::vector<std::string> OggCommentScanner::parseCommentBlock(const uint8_t* data, size_t length) {
    std::vector<std::string> comments;
    if (length < 8)
        return {};
    size_t pos = 4 + size_t(le32(data));
    if (pos + 4 > length)
        return {};
    const uint32_t count = le32(data + pos);
    pos += 4;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos + 4 > length)
            return {};
        const size_t size = le32(data + pos);
        pos += 4;
        if (size > length - pos)
            return {};
        comments.emplace_back(reinterpret_cast<const char*>(data + pos), size);
        pos += size;
    }
    return comments;
}

void OggCommentScanner::feed(const uint8_t* data, size_t length) {
    const uint64_t pendingOffset = m_fed - m_pending.size();
    m_fed += length;
    m_pending.insert(m_pending.end(), data, data + length);
    size_t start = 0;
    for (;;) {
        // Resynchronise on the capture pattern.
        const uint8_t* found = nullptr;
        for (size_t i = start; i + 4 <= m_pending.size(); ++i) {
            if (std::memcmp(m_pending.data() + i, "OggS", 4) == 0) {
                found = m_pending.data() + i;
                break;
            }
        }
        if (!found) {
            start = m_pending.size() >= 3 ? m_pending.size() - 3 : 0;
            break;
        }
        start = size_t(found - m_pending.data());
        if (m_pending.size() - start < kPageHeader)
            break;
        const size_t segments = m_pending[start + 26];
        const size_t headerLength = kPageHeader + segments;
        if (m_pending.size() - start < headerLength)
            break;
        size_t bodyLength = 0;
        for (size_t i = 0; i < segments; ++i)
            bodyLength += m_pending[start + kPageHeader + i];
        if (m_pending.size() - start < headerLength + bodyLength)
            break;
        onPage(m_pending.data() + start, headerLength, pendingOffset + start);
        start += headerLength + bodyLength;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(start));
}

void OggCommentScanner::onPage(const uint8_t* page, size_t headerLength, uint64_t pageStart) {
    const uint8_t flags = page[5];
    const uint32_t serial = le32(page + 14);
    if (flags & 0x02) {
        m_linkStart = int64_t(pageStart);
        m_serial = serial;
        m_inLink = true;
        m_packetIndex = 0;
        m_packet.clear();
    }
    if (!m_inLink || serial != m_serial)
        return;
    if ((flags & 0x01) == 0)
        m_packet.clear();
    const uint8_t* body = page + headerLength;
    const size_t segments = page[26];
    size_t offset = 0;
    for (size_t i = 0; i < segments && m_inLink; ++i) {
        const size_t lace = page[kPageHeader + i];
        if (m_packet.size() + lace <= kMaxCommentPacket)
            m_packet.insert(m_packet.end(), body + offset, body + offset + lace);
        offset += lace;
        if (lace < 255) {
            onPacket(m_packet);
            m_packet.clear();
        }
    }
}

void OggCommentScanner::onPacket(const std::vector<uint8_t>& packet) {
    const int index = m_packetIndex++;
    if (index == 0)
        return;
    m_inLink = false;
    const uint8_t* data = packet.data();
    const size_t size = packet.size();
    std::vector<std::string> comments;
    if (size > 7 && std::memcmp(data, "\x03vorbis", 7) == 0)
        comments = parseCommentBlock(data + 7, size - 7);
    else if (size > 8 && std::memcmp(data, "OpusTags", 8) == 0)
        comments = parseCommentBlock(data + 8, size - 8);
    else if (size > 4 && (data[0] & 0x7F) == 4) // FLAC metadata block: VORBIS_COMMENT
        comments = parseCommentBlock(data + 4, size - 4);
    else
        return;
    m_sink(comments);
}

} // namespace qwaudio
