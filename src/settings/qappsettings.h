#pragma once

#include <QSettings>

// A settings object on the application-wide INI file. Constructed afresh for every single read
// or write so that nothing keeps the file open between operations; owned by the caller, on its
// stack. GUI thread.
class QAppSettings : public QSettings {
    Q_OBJECT
public:
    QAppSettings();
};
