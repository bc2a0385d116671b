#include "app/appsettings.h"

AppSettings* AppSettings::instance() {
    static AppSettings* settings = new AppSettings;
    return settings;
}

AppSettings::AppSettings() = default;
