// The web site's small answers: the directory's "presets.ini" (both label forms, versions of any
// shape) and the program's version page, read and compared as the update checks do.
#include "app/versioncheck.h"
#include "fuzzinput.h"
#include "stations/presetsupdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = fuzz::text(data, size);
    PresetsUpdate::CheckRecord record;
    PresetsUpdate::parsePresetsIni(text, 1, record);
    VersionInfo info;
    if (VersionCheck::parseVersionPage(text, info)) {
        VersionCheck::isNewer(info.version, QString::fromLatin1(VersionCheck::RunningVersion));
        VersionCheck::announcement(info);
    }
    return 0;
}
