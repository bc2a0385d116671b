// Ogg metadata: the page scanner that finds each chain link's comment header, the comment block
// reader, and the engine's reading of the comments as a title.
#include "audio/oggcommentscanner.h"
#include "bass/metadataprocessor.h"
#include "bass/metatext.h"
#include "bass/song.h"
#include "fuzzinput.h"

#include <string>
#include <vector>

namespace {

void readComments(const std::vector<std::string>& comments) {
    QList<QByteArray> list;
    for (const std::string& c : comments)
        list << QByteArray(c.data(), static_cast<qsizetype>(c.size()));
    BASS::RawTitle raw;
    BASS::MetaText::ParseOggComments(list, QStringLiteral("Greece"), raw);
    BASS::MetaText::OggTitle(list, QString());
    BASS::Song song;
    BASS::MetaDataProcessor::Process(raw, QString(), song);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qwaudio::OggCommentScanner scanner(readComments);
    const size_t half = size / 2;
    scanner.feed(data, half);
    scanner.feed(data + half, size - half);
    readComments(qwaudio::OggCommentScanner::parseCommentBlock(data, size));
    return 0;
}
