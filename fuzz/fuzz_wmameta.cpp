// Windows Media metadata: a script-command text read as a title, and the header values of an
// ASF stream (a list of zero-terminated strings) read as station tags.
#include "bass/headertags.h"
#include "bass/metadataprocessor.h"
#include "bass/metatext.h"
#include "bass/song.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::text(data, size);
    BASS::RawTitle raw;
    if (BASS::MetaText::ParseWindowsMedia(text, raw)) {
        BASS::Song song;
        BASS::MetaDataProcessor::Process(raw, QString(), song);
    }
    // The tag list the library hands over ends with an empty string.
    const QByteArray list = fuzz::bytes(data, size) + QByteArray(2, '\0');
    BASS::HeaderTags tags;
    BASS::MetaText::ParseWmaHeader(BASS::MetaText::SplitTagList(list.constData()),
                                   QStringLiteral("Poland"), tags);
    return 0;
}
