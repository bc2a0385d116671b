#include "audio/errorstate.h"

namespace qwaudio {

namespace {
thread_local int t_lastError = 0;
}

void ErrorState::set(int code) {
    t_lastError = code;
}

int ErrorState::get() {
    return t_lastError;
}

bool ErrorState::fail(int code) {
    t_lastError = code;
    return false;
}

} // namespace qwaudio
