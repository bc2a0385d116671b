// Language files as the translator loads them (comments, separators, escapes, byte-order marks,
// encodings), then the lookups tr() makes against what was read, plural forms included.
#include "app/clangmanager.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CLangManager* languages = CLangManager::instance();
    languages->load(fuzz::asFile(QStringLiteral("Fuzz.lng"), data, size));
    const CLangManager::Table read = languages->sources();
    for (auto it = read.cbegin(); it != read.cend(); ++it) {
        const QByteArray source = it.value().toUtf8();
        languages->translate(source.constData(), nullptr, 3);
        languages->sourceOf(it.key());
    }
    return 0;
}
