// ICY metadata: the stream split into audio and title blocks at a metadata interval taken from
// the first two bytes, and each block's text read as a Shoutcast title, decoded with a code page
// and turned into artist and title.
#include "audio/icystreamparser.h"
#include "bass/metadataprocessor.h"
#include "bass/metatext.h"
#include "bass/song.h"
#include "fuzzinput.h"

#include <algorithm>
#include <string>

namespace {

void readTitle(const QByteArray& block) {
    for (const QString& country : {QString(), QStringLiteral("Russia"), QStringLiteral("Japan")}) {
        const QString text = BASS::MetaText::Decode(block, country);
        BASS::RawTitle raw;
        if (BASS::MetaText::ParseShoutcast(text, raw)) {
            BASS::Song song;
            BASS::MetaDataProcessor::Process(raw, QString(), song);
            BASS::MetaDataProcessor::Process(
                raw, QStringLiteral("<s>artist=<Artist>&<s>title=<Song>&"), song);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const size_t metaInterval = size_t(data[0]) | size_t(data[1] & 0x0f) << 8;
    qwaudio::IcyStreamParser parser(
        metaInterval, [](const uint8_t*, size_t) {},
        [](const std::string& text) {
            readTitle(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
        });
    // Fed in uneven pieces, as the network delivers it.
    size_t at = 2;
    for (size_t piece = 1; at < size; piece = piece * 3 % 17 + 1) {
        const size_t length = std::min(piece, size - at);
        parser.feed(data + at, length);
        at += length;
    }
    readTitle(fuzz::bytes(data + 2, size - 2));
    return 0;
}
