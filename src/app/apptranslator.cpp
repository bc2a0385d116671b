#include "app/apptranslator.h"

#include "app/clangmanager.h"

QString AppTranslator::translate(const char*, const char* sourceText, const char* disambiguation,
                                 int n) const {
    return CLangManager::instance()->translate(sourceText, disambiguation, n);
}
