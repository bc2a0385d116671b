// HTTP and ICY response header lines, as the library hands them over (zero-terminated strings
// ended by an empty one), read into the station's header tags.
#include "bass/headertags.h"
#include "bass/metatext.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QByteArray list = fuzz::bytes(data, size);
    list.replace("\r\n", QByteArray(1, '\0'));
    list += QByteArray(2, '\0');
    BASS::HeaderTags tags;
    BASS::MetaText::ParseHeaderLines(BASS::MetaText::SplitTagList(list.constData()),
                                     QStringLiteral("Turkey"), tags);
    tags.Bitrate();
    return 0;
}
