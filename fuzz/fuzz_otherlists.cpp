// Other programs' station lists (built once per form: QW_LIST_SUFFIX is ".mld" or ".osd"),
// opened by the reader the file's name chooses, then searched and exported like the directory.
#include "fuzzinput.h"
#include "stations/presetsupdate.h"
#include "stations/radiostations.h"

#include <QTextStream>

#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    fuzz::useScratchSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::asFile(QStringLiteral("stations" QW_LIST_SUFFIX), data, size);
    std::unique_ptr<RadioStations> list(PresetsUpdate::createReader(path));
    if (!list)
        std::abort();
    list->setInteractive(false);
    list->load(path);
    RadioStations::PresetList found;
    list->search(QStringLiteral("a"), found);
    QString exported;
    QTextStream stream(&exported);
    list->exportGroups(stream, list->topGroups);
    return 0;
}
