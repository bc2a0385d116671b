// The station directory in one of its three forms (built once per form: QW_DIRECTORY_SUFFIX is
// ".xml.gz", ".qwd" or ".xml"), read from a file as the program reads it, then searched and
// exported so that every index the reader filled is walked.
#include "fuzzinput.h"
#include "stations/bramblerstations.h"

#include <QTextStream>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    fuzz::useScratchSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BramblerStations list;
    list.setInteractive(false);
    list.load(fuzz::asFile(QStringLiteral("directory" QW_DIRECTORY_SUFFIX), data, size));
    RadioStations::PresetList found;
    list.search(QStringLiteral("a"), found);
    for (const auto& [url, preset] : list.byUrl.asKeyValueRange())
        list.findByUrl(url, found);
    QString exported;
    QTextStream stream(&exported);
    list.exportGroups(stream, list.topGroups);
    return 0;
}
