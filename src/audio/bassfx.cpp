// Effect functions of the public interface. Any thread. The effects (parametric EQ, compressor,
// leveller) are not built yet: creating one reports BASS_ERROR_NOTAVAIL.

#include "audio/bass.h"

#include "audio/errorstate.h"
#include "audio/library.h"

using qwaudio::ErrorState;
using qwaudio::Library;

HFX BASS_ChannelSetFX(DWORD handle, DWORD /*type*/, int /*priority*/) {
    ErrorState::set(Library::instance().channel(handle) ? BASS_ERROR_NOTAVAIL : BASS_ERROR_HANDLE);
    return 0;
}

BOOL BASS_ChannelRemoveFX(DWORD /*handle*/, HFX /*fx*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}

BOOL BASS_FXSetParameters(HFX /*handle*/, const void* /*params*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}

BOOL BASS_FXGetParameters(HFX /*handle*/, void* /*params*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}

DWORD BASS_FX_GetVersion() {
    ErrorState::set(BASS_OK);
    return 0x01000000;
}
