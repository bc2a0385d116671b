#include "settings/qappsettings.h"

QAppSettings::QAppSettings() = default;
