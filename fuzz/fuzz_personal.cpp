// Favourites or history (built once for each; QW_PERSONAL_LIST names the class): the file is
// read, written back and read again. Whatever the first file held, the list the program writes
// must read back whole and without an error.
#include "fuzzinput.h"
#include "stations/favorites.h"
#include "stations/history.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

template <typename List> std::unique_ptr<List> read(const QString& path) {
    auto list = std::make_unique<List>();
    list->setInteractive(false);
    list->setFileName(path);
    list->reload();
    return list;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    fuzz::useScratchSettings();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString first = fuzz::asFile(QStringLiteral("first.xml"), data, size);
    auto list = read<QW_PERSONAL_LIST>(first);
    const QString second = fuzz::scratchPath(QStringLiteral("second.xml"));
    QFile::remove(second);
    list->setFileName(second);
    if (!list->save()) {
        std::fprintf(stderr, "save failed: %s\n", qPrintable(list->messages().last()));
        std::abort();
    }
    auto back = read<QW_PERSONAL_LIST>(second);
    if (!back->messages().isEmpty()) {
        std::fprintf(stderr, "written list does not read back: %s\n",
                     qPrintable(back->messages().first()));
        std::abort();
    }
    // A file that failed to parse was set aside under a new name; none are kept.
    QFile::remove(first);
    const QDir folder(QFileInfo(first).absolutePath());
    for (const QString& aside : folder.entryList({QStringLiteral("first_*.xml")}, QDir::Files))
        QFile::remove(folder.filePath(aside));
    return 0;
}
