#include "bass/dsppluginevents.h"

namespace BASS {

DSPPluginEvents* DSPPluginEvents::Instance() {
    static DSPPluginEvents events;
    return &events;
}

} // namespace BASS
