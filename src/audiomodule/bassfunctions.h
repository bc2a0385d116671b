#pragma once

// Every function of the audio library's interface (audio/bass.h) as
// QW_BASS_FUNCTION(return type, name, (parameters), (arguments)), for the forwarders that stand
// for them in the window program. A signature that differs from bass.h, or a function missing
// here that the program calls, fails the build.

// clang-format off
#define QW_BASS_FUNCTIONS \
    QW_BASS_FUNCTION(BOOL, BASS_Init, \
                     (int device, DWORD freq, DWORD flags, void* win, const void* clsid), \
                     (device, freq, flags, win, clsid)) \
    QW_BASS_FUNCTION(BOOL, BASS_Free, (), ()) \
    QW_BASS_FUNCTION(DWORD, BASS_GetVersion, (), ()) \
    QW_BASS_FUNCTION(int, BASS_ErrorGetCode, (), ()) \
    QW_BASS_FUNCTION(BOOL, BASS_SetConfig, (DWORD option, DWORD value), (option, value)) \
    QW_BASS_FUNCTION(DWORD, BASS_GetConfig, (DWORD option), (option)) \
    QW_BASS_FUNCTION(BOOL, BASS_SetConfigPtr, (DWORD option, const void* value), (option, value)) \
    QW_BASS_FUNCTION(const void*, BASS_GetConfigPtr, (DWORD option), (option)) \
    QW_BASS_FUNCTION(HPLUGIN, BASS_PluginLoad, (const void* file, DWORD flags), (file, flags)) \
    QW_BASS_FUNCTION(BOOL, BASS_PluginFree, (HPLUGIN handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_GetDeviceInfo, \
                     (DWORD device, BASS_DEVICEINFO* info), \
                     (device, info)) \
    QW_BASS_FUNCTION(BOOL, BASS_RecordGetDeviceInfo, \
                     (DWORD device, BASS_DEVICEINFO* info), \
                     (device, info)) \
    QW_BASS_FUNCTION(BOOL, BASS_SetDevice, (DWORD device), (device)) \
    QW_BASS_FUNCTION(DWORD, BASS_GetDevice, (), ()) \
    QW_BASS_FUNCTION(BOOL, BASS_GetInfo, (BASS_INFO* info), (info)) \
    QW_BASS_FUNCTION(BOOL, BASS_Start, (), ()) \
    QW_BASS_FUNCTION(BOOL, BASS_Stop, (), ()) \
    QW_BASS_FUNCTION(BOOL, BASS_Update, (DWORD length), (length)) \
    QW_BASS_FUNCTION(float, BASS_GetCPU, (), ()) \
    QW_BASS_FUNCTION(HSTREAM, BASS_StreamCreate, \
                     (DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user), \
                     (freq, chans, flags, proc, user)) \
    QW_BASS_FUNCTION(DWORD, BASS_StreamPutData, \
                     (HSTREAM handle, const void* buffer, DWORD length), \
                     (handle, buffer, length)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_StreamCreateFile, \
                     (BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags), \
                     (mem, file, offset, length, flags)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_StreamCreateURL, \
                     (const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, \
                      void* user), \
                     (url, offset, flags, proc, user)) \
    QW_BASS_FUNCTION(BOOL, BASS_StreamFree, (HSTREAM handle), (handle)) \
    QW_BASS_FUNCTION(QWORD, BASS_StreamGetFilePosition, \
                     (HSTREAM handle, DWORD mode), \
                     (handle, mode)) \
    QW_BASS_FUNCTION(BOOL, BASS_StreamCreateOwner, (const void* owner), (owner)) \
    QW_BASS_FUNCTION(BOOL, BASS_StreamAbortCreates, \
                     (const void* owner, BOOL abort), \
                     (owner, abort)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelPlay, (DWORD handle, BOOL restart), (handle, restart)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelStop, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelPause, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(DWORD, BASS_ChannelIsActive, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelGetInfo, \
                     (DWORD handle, BASS_CHANNELINFO* info), \
                     (handle, info)) \
    QW_BASS_FUNCTION(const char*, BASS_ChannelGetTags, (DWORD handle, DWORD tags), (handle, tags)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSetAttribute, \
                     (DWORD handle, DWORD attrib, float value), \
                     (handle, attrib, value)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelGetAttribute, \
                     (DWORD handle, DWORD attrib, float* value), \
                     (handle, attrib, value)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSlideAttribute, \
                     (DWORD handle, DWORD attrib, float value, DWORD timeMs), \
                     (handle, attrib, value, timeMs)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelIsSliding, (DWORD handle, DWORD attrib), (handle, attrib)) \
    QW_BASS_FUNCTION(DWORD, BASS_ChannelGetLevel, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(DWORD, BASS_ChannelGetData, \
                     (DWORD handle, void* buffer, DWORD length), \
                     (handle, buffer, length)) \
    QW_BASS_FUNCTION(QWORD, BASS_ChannelGetLength, (DWORD handle, DWORD mode), (handle, mode)) \
    QW_BASS_FUNCTION(QWORD, BASS_ChannelGetPosition, (DWORD handle, DWORD mode), (handle, mode)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSetPosition, \
                     (DWORD handle, QWORD pos, DWORD mode), \
                     (handle, pos, mode)) \
    QW_BASS_FUNCTION(double, BASS_ChannelBytes2Seconds, (DWORD handle, QWORD pos), (handle, pos)) \
    QW_BASS_FUNCTION(QWORD, BASS_ChannelSeconds2Bytes, (DWORD handle, double pos), (handle, pos)) \
    QW_BASS_FUNCTION(DWORD, BASS_ChannelGetDevice, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSetDevice, (DWORD handle, DWORD device), (handle, device)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSet3DAttributes, \
                     (DWORD handle, int mode, float min, float max, int iangle, int oangle, \
                      float outvol), \
                     (handle, mode, min, max, iangle, oangle, outvol)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelGet3DAttributes, \
                     (DWORD handle, DWORD* mode, float* min, float* max, DWORD* iangle, \
                      DWORD* oangle, float* outvol), \
                     (handle, mode, min, max, iangle, oangle, outvol)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSet3DPosition, \
                     (DWORD handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient, \
                      const BASS_3DVECTOR* vel), \
                     (handle, pos, orient, vel)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelGet3DPosition, \
                     (DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient, \
                      BASS_3DVECTOR* vel), \
                     (handle, pos, orient, vel)) \
    QW_BASS_FUNCTION(HSYNC, BASS_ChannelSetSync, \
                     (DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user), \
                     (handle, type, param, proc, user)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelRemoveSync, (DWORD handle, HSYNC sync), (handle, sync)) \
    QW_BASS_FUNCTION(HDSP, BASS_ChannelSetDSP, \
                     (DWORD handle, DSPPROC* proc, void* user, int priority), \
                     (handle, proc, user, priority)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelRemoveDSP, (DWORD handle, HDSP dsp), (handle, dsp)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelSetLink, (DWORD handle, DWORD chan), (handle, chan)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelRemoveLink, (DWORD handle, DWORD chan), (handle, chan)) \
    QW_BASS_FUNCTION(HFX, BASS_ChannelSetFX, \
                     (DWORD handle, DWORD type, int priority), \
                     (handle, type, priority)) \
    QW_BASS_FUNCTION(BOOL, BASS_ChannelRemoveFX, (DWORD handle, HFX fx), (handle, fx)) \
    QW_BASS_FUNCTION(BOOL, BASS_FXSetParameters, \
                     (HFX handle, const void* params), \
                     (handle, params)) \
    QW_BASS_FUNCTION(BOOL, BASS_FXGetParameters, (HFX handle, void* params), (handle, params)) \
    QW_BASS_FUNCTION(DWORD, BASS_FX_GetVersion, (), ()) \
    QW_BASS_FUNCTION(HSTREAM, BASS_WMA_StreamCreateFile, \
                     (BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags), \
                     (mem, file, offset, length, flags)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_AAC_StreamCreateFile, \
                     (BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags), \
                     (mem, file, offset, length, flags)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_AAC_StreamCreateURL, \
                     (const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, \
                      void* user), \
                     (url, offset, flags, proc, user)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_MP4_StreamCreateFile, \
                     (BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags), \
                     (mem, file, offset, length, flags)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_FLAC_StreamCreateFile, \
                     (BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags), \
                     (mem, file, offset, length, flags)) \
    QW_BASS_FUNCTION(HSTREAM, BASS_FLAC_StreamCreateURL, \
                     (const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, \
                      void* user), \
                     (url, offset, flags, proc, user)) \
    QW_BASS_FUNCTION(HENCODE, BASS_Encode_Start, \
                     (DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc, \
                      void* user), \
                     (handle, cmdline, flags, proc, user)) \
    QW_BASS_FUNCTION(DWORD, BASS_Encode_IsActive, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_Encode_Stop, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(BOOL, BASS_Encode_CutAt, (DWORD handle, QWORD filepos, DWORD delayMs), \
                     (handle, filepos, delayMs)) \
    QW_BASS_FUNCTION(BOOL, BASS_Encode_ClearCuts, (DWORD handle), (handle)) \
    QW_BASS_FUNCTION(const DWORD*, BASS_WMA_EncodeGetRates, \
                     (DWORD freq, DWORD chans, DWORD flags), \
                     (freq, chans, flags)) \
    QW_BASS_FUNCTION(HWMENCODE, BASS_WMA_EncodeOpenFile, \
                     (DWORD freq, DWORD chans, DWORD flags, DWORD bitrate, const void* file), \
                     (freq, chans, flags, bitrate, file)) \
    QW_BASS_FUNCTION(BOOL, BASS_WMA_EncodeWrite, \
                     (HWMENCODE handle, const void* buffer, DWORD length), \
                     (handle, buffer, length)) \
    QW_BASS_FUNCTION(BOOL, BASS_WMA_EncodeClose, (HWMENCODE handle), (handle))
// clang-format on
