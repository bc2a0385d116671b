#pragma once

// The program's one translator: every translation request of the toolkit and of the program
// goes to CLangManager, whatever its context. Any thread; installed by the main window for the
// whole process.

#include <QTranslator>

class AppTranslator : public QTranslator {
    Q_OBJECT
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    // Never empty: the application only announces a language change for a translator with
    // contents, and the tables behind this one change at run time.
    bool isEmpty() const override { return false; }
};
