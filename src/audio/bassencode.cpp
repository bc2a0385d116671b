// Encoder functions of the public interface. Any thread. Encoding is not built yet: starting an
// encoder reports BASS_ERROR_NOTAVAIL.

#include "audio/bass.h"

#include "audio/errorstate.h"

using qwaudio::ErrorState;

HENCODE BASS_Encode_Start(DWORD /*handle*/, const void* /*cmdline*/, DWORD /*flags*/,
                          ENCODEPROC* /*proc*/, void* /*user*/) {
    ErrorState::set(BASS_ERROR_NOTAVAIL);
    return 0;
}

DWORD BASS_Encode_IsActive(DWORD /*handle*/) {
    ErrorState::set(BASS_ERROR_HANDLE);
    return BASS_ACTIVE_STOPPED;
}

BOOL BASS_Encode_Stop(DWORD /*handle*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}

const DWORD* BASS_WMA_EncodeGetRates(DWORD /*freq*/, DWORD /*chans*/, DWORD /*flags*/) {
    ErrorState::set(BASS_ERROR_NOTAVAIL);
    return nullptr;
}

HWMENCODE BASS_WMA_EncodeOpenFile(DWORD /*freq*/, DWORD /*chans*/, DWORD /*flags*/,
                                  DWORD /*bitrate*/, const void* /*file*/) {
    ErrorState::set(BASS_ERROR_NOTAVAIL);
    return 0;
}

BOOL BASS_WMA_EncodeWrite(HWMENCODE /*handle*/, const void* /*buffer*/, DWORD /*length*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}

BOOL BASS_WMA_EncodeClose(HWMENCODE /*handle*/) {
    return ErrorState::fail(BASS_ERROR_HANDLE);
}
