#pragma once

// One output or recording device as the audio library lists it: its index (the number Init and
// the settings use), name, driver and state flags. Any thread; plain value.

#include <QString>

namespace BASS {

struct SoundDevice {
    int index = -1;
    QString name;
    QString driver;
    unsigned flags = 0;
};

} // namespace BASS
