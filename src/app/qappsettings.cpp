#include "app/qappsettings.h"

QAppSettings::QAppSettings() = default;
