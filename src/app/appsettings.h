#pragma once

#include <QObject>

// The one store of the program's persistent options and data-file locations. Created on first
// use and alive until the process ends; GUI thread.
class AppSettings : public QObject {
    Q_OBJECT
public:
    static AppSettings* instance();

private:
    AppSettings();
};
