#include "recording/oggpager.h"

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/crc.h>
}

#include <cstring>

namespace BASS {

namespace {

constexpr qsizetype kPageHeader = 27;
constexpr quint8 kFirstOfStream = 0x02;
// Header pages kept at most: room for a comment header with a cover picture, and a bound for a
// stream that never stops sending pages that look like headers.
constexpr qsizetype kMaxHeaderBytes = 16 * 1024 * 1024;

quint32 le32(const char* p) {
    const auto* b = reinterpret_cast<const quint8*>(p);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint64 le64(const char* p) {
    return quint64(le32(p)) | quint64(le32(p + 4)) << 32;
}

// The page's checksum: FFmpeg's table for the polynomial Ogg uses, over the page with its
// checksum field zeroed.
bool checksumHolds(const char* page, qsizetype length) {
    static const AVCRC* table = av_crc_get_table(AV_CRC_32_IEEE);
    const auto* bytes = reinterpret_cast<const quint8*>(page);
    static const quint8 zeros[4] = {};
    quint32 crc = av_crc(table, 0, bytes, 22);
    crc = av_crc(table, crc, zeros, 4);
    crc = av_crc(table, crc, bytes + 26, size_t(length - 26));
    return av_bswap32(crc) == le32(page + 22);
}

} // namespace

qsizetype OggPager::PageLength(const char* bytes, qsizetype available) {
    if (available < kPageHeader)
        return 0;
    if (std::memcmp(bytes, "OggS", 4) != 0 || bytes[4] != 0)
        return -1;
    const int segments = quint8(bytes[26]);
    if (available < kPageHeader + segments)
        return 0;
    qsizetype length = kPageHeader + segments;
    for (int i = 0; i < segments; ++i)
        length += quint8(bytes[kPageHeader + i]);
    if (available < length)
        return 0;
    return checksumHolds(bytes, length) ? length : -1;
}

void OggPager::Feed(const char* data, qsizetype length,
                    const std::function<void(const Page&)>& onPage) {
    m_pending.append(data, length);
    qsizetype at = 0;
    while (at < m_pending.size()) {
        const qsizetype pageLength = PageLength(m_pending.constData() + at, m_pending.size() - at);
        if (pageLength == 0)
            break;
        if (pageLength < 0) {
            const qsizetype next = m_pending.indexOf("OggS", at + 1);
            at = next < 0 ? qMax(at + 1, m_pending.size() - 3) : next;
            continue;
        }
        Page page{m_pending.mid(at, pageLength)};
        Track(page);
        onPage(page);
        at += pageLength;
    }
    m_pending.remove(0, at);
}

void OggPager::Track(Page& page) {
    const char* bytes = page.bytes.constData();
    const quint32 serial = le32(bytes + 14);
    m_seenPages = true;
    page.firstOfStream = (quint8(bytes[5]) & kFirstOfStream) != 0;
    if (page.firstOfStream) {
        m_serial = serial;
        m_headers.clear();
        m_headersComplete = false;
    }
    if (serial != m_serial || m_headersComplete)
        return;
    // Header pages end no audio packet: their granule position is 0, or -1 for a header
    // packet that goes on to the next page.
    const quint64 granule = le64(bytes + 6);
    if ((granule != 0 && granule != ~quint64(0)) ||
        m_headers.size() + page.bytes.size() > kMaxHeaderBytes) {
        m_headersComplete = !m_headers.isEmpty();
        return;
    }
    page.header = true;
    m_headers += page.bytes;
}

} // namespace BASS
