// Ogg pages as a direct copy of a radio stream cuts them out of the download: resynchronising
// after bytes that are no page, keeping a logical stream's header pages, finding each new
// stream's first page. Each "OggS" whose page fits the input gets its checksum set first, so
// the fuzzer's changes reach the page walk instead of all failing the checksum.
#include "recording/oggpager.h"

extern "C" {
#include <libavutil/bswap.h>
#include <libavutil/crc.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void setChecksums(std::vector<char>& bytes) {
    static const AVCRC* table = av_crc_get_table(AV_CRC_32_IEEE);
    for (size_t at = 0; at + 27 <= bytes.size(); ++at) {
        if (std::memcmp(bytes.data() + at, "OggS", 4) != 0)
            continue;
        const auto* page = reinterpret_cast<uint8_t*>(bytes.data() + at);
        const size_t segments = page[26];
        if (at + 27 + segments > bytes.size())
            continue;
        size_t length = 27 + segments;
        for (size_t i = 0; i < segments; ++i)
            length += page[27 + i];
        if (at + length > bytes.size())
            continue;
        std::memset(bytes.data() + at + 22, 0, 4);
        const uint32_t crc = av_bswap32(av_crc(table, 0, page, length));
        for (int i = 0; i < 4; ++i)
            bytes[at + 22 + size_t(i)] = char(crc >> (8 * i));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> bytes(data, data + size);
    setChecksums(bytes);
    BASS::OggPager pager;
    qsizetype delivered = 0;
    const auto onPage = [&pager, &delivered](const BASS::OggPager::Page& page) {
        delivered += page.bytes.size();
        if (page.header && !pager.StreamHeaders().endsWith(page.bytes))
            __builtin_trap();
    };
    // In uneven pieces, as a download hands them on.
    size_t at = 0;
    for (size_t piece = 1; at < bytes.size(); piece = piece * 3 % 4093 + 1) {
        const size_t length = std::min(piece, bytes.size() - at);
        pager.Feed(bytes.data() + at, qsizetype(length), onPage);
        at += length;
    }
    if (delivered > qsizetype(size))
        __builtin_trap();
    return 0;
}
