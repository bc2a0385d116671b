#pragma once

// Public interface of Quillowave's audio library: set-up, streams from addresses and files,
// playback, tags, syncs, DSP and effects, levels, devices and encoders, with C-style functions.
// Callable from any thread; callbacks run on library threads, never on the output thread.

#include <cstdint>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint64_t QWORD;
typedef int BOOL;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles: every kind shares one number space, 0 is never valid.
typedef DWORD HSTREAM;
typedef DWORD HCHANNEL;
typedef DWORD HSYNC;
typedef DWORD HDSP;
typedef DWORD HFX;
typedef DWORD HENCODE;
typedef DWORD HPLUGIN;
typedef DWORD HWMENCODE;

#define BASSVERSION 0x0100

// Error codes (BASS_ErrorGetCode, per calling thread).
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_BUFLOST 4
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_NOCD 12
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOCHAN 18
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_NO3D 21
#define BASS_ERROR_NOEAX 22
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_FREQ 25
#define BASS_ERROR_NOTFILE 27
#define BASS_ERROR_NOHW 29
#define BASS_ERROR_EMPTY 31
#define BASS_ERROR_NONET 32
#define BASS_ERROR_CREATE 33
#define BASS_ERROR_NOFX 34
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_DX 39
#define BASS_ERROR_TIMEOUT 40
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_SPEAKER 42
#define BASS_ERROR_VERSION 43
#define BASS_ERROR_CODEC 44
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_WMA 1001
#define BASS_ERROR_UNKNOWN -1

// Configuration options (BASS_SetConfig / BASS_GetConfig / BASS_SetConfigPtr).
#define BASS_CONFIG_BUFFER 0           // output buffer length, ms
#define BASS_CONFIG_UPDATEPERIOD 1     // output update period, ms
#define BASS_CONFIG_GVOL_STREAM 5      // global stream volume, 0..10000
#define BASS_CONFIG_FLOATDSP 9         // 1: DSP callbacks get 32-bit float samples
#define BASS_CONFIG_NET_TIMEOUT 11     // connect and read time-out, ms
#define BASS_CONFIG_NET_BUFFER 12      // network buffer length, ms of audio
#define BASS_CONFIG_NET_PREBUF 15      // share of the buffer filled before playing, percent
#define BASS_CONFIG_NET_AGENT 16       // pointer: user agent text
#define BASS_CONFIG_NET_PROXY 17       // pointer: "user:pass@host:port", or null for none
#define BASS_CONFIG_NET_PLAYLIST 21    // 0 never, 1 file streams, 2 URL streams too
#define BASS_CONFIG_NET_READTIMEOUT 37 // no-data time-out while playing, ms (0 = none)
#define BASS_CONFIG_WMA_PREBUF 0x10101

// Device set-up flags (BASS_Init).
#define BASS_DEVICE_8BITS 1
#define BASS_DEVICE_MONO 2
#define BASS_DEVICE_FREQ 0x4000

// Device information flags (BASS_DEVICEINFO::flags).
#define BASS_DEVICE_ENABLED 1
#define BASS_DEVICE_DEFAULT 2
#define BASS_DEVICE_INIT 4

// Sample and stream flags (create calls; BASS_CHANNELINFO::flags).
#define BASS_SAMPLE_8BITS 1
#define BASS_SAMPLE_MONO 2
#define BASS_SAMPLE_LOOP 4
#define BASS_SAMPLE_3D 8
#define BASS_SAMPLE_SOFTWARE 0x10
#define BASS_SAMPLE_MUTEMAX 0x20
#define BASS_SAMPLE_VAM 0x40
#define BASS_SAMPLE_FX 0x80
#define BASS_SAMPLE_FLOAT 0x100
#define BASS_STREAM_PRESCAN 0x20000
#define BASS_STREAM_AUTOFREE 0x40000
#define BASS_STREAM_RESTRATE 0x80000
#define BASS_STREAM_BLOCK 0x100000
#define BASS_STREAM_DECODE 0x200000
#define BASS_STREAM_STATUS 0x800000
#define BASS_UNICODE 0x80000000 // text arguments are UTF-16 (char16_t)

// Channel type codes (BASS_CHANNELINFO::ctype).
#define BASS_CTYPE_SAMPLE 1
#define BASS_CTYPE_RECORD 2
#define BASS_CTYPE_STREAM 0x10000
#define BASS_CTYPE_STREAM_OGG 0x10002
#define BASS_CTYPE_STREAM_MP1 0x10003
#define BASS_CTYPE_STREAM_MP2 0x10004
#define BASS_CTYPE_STREAM_MP3 0x10005
#define BASS_CTYPE_STREAM_AIFF 0x10006
#define BASS_CTYPE_STREAM_WMA 0x10300
#define BASS_CTYPE_STREAM_WMA_MP3 0x10301
#define BASS_CTYPE_STREAM_FLAC 0x10900
#define BASS_CTYPE_STREAM_FLAC_OGG 0x10901
#define BASS_CTYPE_STREAM_AAC 0x10b00
#define BASS_CTYPE_STREAM_MP4 0x10b01
#define BASS_CTYPE_STREAM_OPUS 0x11200
#define BASS_CTYPE_STREAM_WAV 0x40000
#define BASS_CTYPE_STREAM_WAV_PCM 0x50001
#define BASS_CTYPE_STREAM_WAV_FLOAT 0x50003
#define BASS_CTYPE_MUSIC_MOD 0x20000
#define BASS_CTYPE_MUSIC_MTM 0x20001
#define BASS_CTYPE_MUSIC_S3M 0x20002
#define BASS_CTYPE_MUSIC_XM 0x20003
#define BASS_CTYPE_MUSIC_IT 0x20004
#define BASS_CTYPE_MUSIC_MO3 0x00100

// Channel states (BASS_ChannelIsActive, BASS_Encode_IsActive).
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// Channel attributes.
#define BASS_ATTRIB_FREQ 1 // sample rate, Hz
#define BASS_ATTRIB_VOL 2  // volume, 0..1
#define BASS_ATTRIB_PAN 3  // -1 (left) .. 1 (right)

// Tag types (BASS_ChannelGetTags).
#define BASS_TAG_ID3 0
#define BASS_TAG_ID3V2 1
#define BASS_TAG_OGG 2       // Ogg comments: "key=value\0" ... "\0"
#define BASS_TAG_HTTP 3      // HTTP response headers: "line\0" ... "\0"
#define BASS_TAG_ICY 4       // ICY response headers: "line\0" ... "\0"
#define BASS_TAG_META 5      // last ICY metadata block: "StreamTitle='...';..."
#define BASS_TAG_WMA 8       // ASF header values: "name=value\0" ... "\0"
#define BASS_TAG_WMA_META 11 // last ASF metadata change: "name=value\0" ... "\0"

// File positions (BASS_StreamGetFilePosition), bytes of the source data.
#define BASS_FILEPOS_CURRENT 0  // consumed by the decoder
#define BASS_FILEPOS_DOWNLOAD 1 // received so far
#define BASS_FILEPOS_END 2      // buffer size of a network stream, file size of a file; -1 else
#define BASS_FILEPOS_START 3
#define BASS_FILEPOS_CONNECTED 4
#define BASS_FILEPOS_BUFFER 5 // bytes waiting in the buffer
// This library's own addition: where the latest link of a chained Ogg stream from the network
// began (its first page), -1 when none has been seen.
#define BASS_FILEPOS_LINK 0x100

// Sync types (BASS_ChannelSetSync).
#define BASS_SYNC_END 2
#define BASS_SYNC_META 4
#define BASS_SYNC_STALL 6 // data: 0 stalled, 1 resumed
#define BASS_SYNC_DOWNLOAD 7
#define BASS_SYNC_FREE 8
#define BASS_SYNC_OGG_CHANGE 12
#define BASS_SYNC_WMA_CHANGE 0x10100
#define BASS_SYNC_WMA_META 0x10101
#define BASS_SYNC_ENCODE_CUT 0x10400 // an encoder cut was reached (BASS_Encode_CutAt)
#define BASS_SYNC_MIXTIME 0x40000000
#define BASS_SYNC_ONETIME 0x80000000

// Position modes (BASS_ChannelGetLength / GetPosition / SetPosition).
#define BASS_POS_BYTE 0

// BASS_ChannelGetData: a length in bytes, optionally with BASS_DATA_FLOAT; or
// BASS_DATA_AVAILABLE for the number of decoded bytes waiting.
#define BASS_DATA_AVAILABLE 0
#define BASS_DATA_FLOAT 0x40000000

// Effect types (BASS_ChannelSetFX).
#define BASS_FX_DX8_CHORUS 0
#define BASS_FX_DX8_COMPRESSOR 1
#define BASS_FX_DX8_DISTORTION 2
#define BASS_FX_DX8_ECHO 3
#define BASS_FX_DX8_FLANGER 4
#define BASS_FX_DX8_GARGLE 5
#define BASS_FX_DX8_I3DL2REVERB 6
#define BASS_FX_DX8_PARAMEQ 7
#define BASS_FX_DX8_REVERB 8
#define BASS_FX_BFX_DAMP 0x10008
#define BASS_BFX_CHANALL -1

// Encoder flags (BASS_Encode_Start).
#define BASS_ENCODE_NOHEAD 1   // no WAV header before the samples
#define BASS_ENCODE_FP_8BIT 2  // samples converted to 8-bit
#define BASS_ENCODE_FP_16BIT 4 // samples converted to 16-bit
#define BASS_ENCODE_FP_32BIT 8 // samples as 32-bit float
#define BASS_ENCODE_BIGEND 0x10
#define BASS_ENCODE_PAUSE 0x20
#define BASS_ENCODE_AUTOFREE 0x40000 // the encoder ends with its channel

// WMA encoder flags (BASS_WMA_EncodeOpenFile, BASS_WMA_EncodeGetRates).
#define BASS_WMA_ENCODE_STANDARD 0x2000 // standard codec; with GetRates: constant bit rates
#define BASS_WMA_ENCODE_PRO 0x4000
#define BASS_WMA_ENCODE_RATES_VBR 0x10000 // GetRates: the variable-quality levels

typedef struct {
    const char* name;   // UTF-8
    const char* driver; // UTF-8, the SDL driver name
    DWORD flags;        // BASS_DEVICE_ENABLED / DEFAULT / INIT
} BASS_DEVICEINFO;

typedef struct {
    DWORD flags;
    DWORD minbuf;    // ms
    DWORD latency;   // ms
    DWORD initflags; // flags given to BASS_Init
    DWORD speakers;  // output channels
    DWORD freq;      // output sample rate, Hz
} BASS_INFO;

typedef struct {
    DWORD freq;    // Hz
    DWORD chans;   // channel count
    DWORD flags;   // BASS_SAMPLE_* / BASS_STREAM_*
    DWORD ctype;   // BASS_CTYPE_*
    DWORD origres; // bits per sample of the source, 0 when not applicable
    HPLUGIN plugin;
    DWORD sample;
    const char* filename; // address or path as given, UTF-8
} BASS_CHANNELINFO;

typedef struct {
    float x;
    float y;
    float z;
} BASS_3DVECTOR;

typedef struct {
    float fCenter;    // Hz
    float fBandwidth; // semitones
    float fGain;      // dB
} BASS_DX8_PARAMEQ;

typedef struct {
    float fGain;      // dB
    float fAttack;    // ms
    float fRelease;   // ms
    float fThreshold; // dB
    float fRatio;
    float fPredelay; // ms
} BASS_DX8_COMPRESSOR;

typedef struct {
    float fTarget; // target level, 0..1
    float fQuiet;  // level below which nothing is amplified, 0..1
    float fRate;   // amplification adjustment rate
    float fGain;   // amplification limit
    float fDelay;  // seconds before the level is adjusted
    int lChannel;  // BASS_BFX_CHANALL for all channels
} BASS_BFX_DAMP;

// Network data: a header block (length 0, buffer = "line\0" ... "\0", only with
// BASS_STREAM_STATUS), then each block of clean stream data; buffer null, length 0 at the end.
typedef void DOWNLOADPROC(const void* buffer, DWORD length, void* user);
// A sync fired: data is the type's value (stall: 0 stalled, 1 resumed).
typedef void SYNCPROC(HSYNC handle, DWORD channel, DWORD data, void* user);
// Samples in the channel's own rate and channel count, interleaved, 32-bit float when
// BASS_CONFIG_FLOATDSP is 1 (else 16-bit); length in bytes; may be changed in place.
typedef void DSPPROC(HDSP handle, DWORD channel, void* buffer, DWORD length, void* user);
// Output of an encoder program, length in bytes.
typedef void ENCODEPROC(HENCODE handle, DWORD channel, const void* buffer, DWORD length,
                        void* user);
// Fills buffer with up to length bytes of samples; returns the bytes written, with
// BASS_STREAMPROC_END added at the end of the stream.
typedef DWORD STREAMPROC(HSTREAM handle, void* buffer, DWORD length, void* user);
#define BASS_STREAMPROC_END 0x80000000
#define STREAMPROC_PUSH ((STREAMPROC*)-1)

extern "C" {

// Library set-up. Device 0 is "No sound" (real-time clock), 1 the default output, 2.. each
// output SDL lists; -1 picks the default.
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* clsid);
BOOL BASS_Free();
DWORD BASS_GetVersion();
int BASS_ErrorGetCode();
BOOL BASS_SetConfig(DWORD option, DWORD value);
DWORD BASS_GetConfig(DWORD option);
BOOL BASS_SetConfigPtr(DWORD option, const void* value);
const void* BASS_GetConfigPtr(DWORD option);
HPLUGIN BASS_PluginLoad(const void* file, DWORD flags);
BOOL BASS_PluginFree(HPLUGIN handle);
BOOL BASS_GetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
BOOL BASS_RecordGetDeviceInfo(DWORD device, BASS_DEVICEINFO* info);
BOOL BASS_SetDevice(DWORD device);
DWORD BASS_GetDevice();
BOOL BASS_GetInfo(BASS_INFO* info);
BOOL BASS_Start();
BOOL BASS_Stop();
BOOL BASS_Update(DWORD length);
float BASS_GetCPU();

// Streams. Text arguments are UTF-8, or UTF-16 with BASS_UNICODE.
HSTREAM BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);
DWORD BASS_StreamPutData(HSTREAM handle, const void* buffer, DWORD length);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
HSTREAM BASS_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                             void* user);
BOOL BASS_StreamFree(HSTREAM handle);
QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode);
// Stopping an open in progress (this library's own addition): the creates a thread makes after
// BASS_StreamCreateOwner(owner) belong to owner. BASS_StreamAbortCreates(owner, TRUE) makes
// owner's creates in progress fail at once (BASS_ERROR_FILEOPEN) and refuses its new ones until
// BASS_StreamAbortCreates(owner, FALSE). Any thread.
BOOL BASS_StreamCreateOwner(const void* owner);
BOOL BASS_StreamAbortCreates(const void* owner, BOOL abort);

// Channels.
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelStop(DWORD handle);
BOOL BASS_ChannelPause(DWORD handle);
DWORD BASS_ChannelIsActive(DWORD handle);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
const char* BASS_ChannelGetTags(DWORD handle, DWORD tags);
BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value);
BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value);
BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD timeMs);
BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib);
DWORD BASS_ChannelGetLevel(DWORD handle);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode);
QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos, DWORD mode);
double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos);
DWORD BASS_ChannelGetDevice(DWORD handle);
BOOL BASS_ChannelSetDevice(DWORD handle, DWORD device);
BOOL BASS_ChannelSet3DAttributes(DWORD handle, int mode, float min, float max, int iangle,
                                 int oangle, float outvol);
BOOL BASS_ChannelGet3DAttributes(DWORD handle, DWORD* mode, float* min, float* max, DWORD* iangle,
                                 DWORD* oangle, float* outvol);
BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient,
                               const BASS_3DVECTOR* vel);
BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                               BASS_3DVECTOR* vel);
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user);
BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync);
HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority);
BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp);
BOOL BASS_ChannelSetLink(DWORD handle, DWORD chan);
BOOL BASS_ChannelRemoveLink(DWORD handle, DWORD chan);

// Effects (parametric EQ, compressor, automatic volume leveller), run after the DSP callbacks.
HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority);
BOOL BASS_ChannelRemoveFX(DWORD handle, HFX fx);
BOOL BASS_FXSetParameters(HFX handle, const void* params);
BOOL BASS_FXGetParameters(HFX handle, void* params);
DWORD BASS_FX_GetVersion();

// Format-specific creates: each accepts only its own formats, else BASS_ERROR_FILEFORM.
HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags);
HSTREAM BASS_AAC_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags);
HSTREAM BASS_AAC_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                                 void* user);
HSTREAM BASS_MP4_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags);
HSTREAM BASS_FLAC_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                   DWORD flags);
HSTREAM BASS_FLAC_StreamCreateURL(const void* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc,
                                  void* user);

// Encoders: an encoder program fed with the channel's samples after its DSP callbacks and
// effects on its standard input, its standard output handed to proc on a library thread. The
// command line is UTF-8, or UTF-16 with BASS_UNICODE; its program is found as given, else by
// its file name on PATH (BASS_ERROR_FILEOPEN when neither). IsActive: BASS_ACTIVE_PLAYING while
// the program runs, BASS_ACTIVE_STOPPED once it has ended by itself or was ended for taking no
// input. Stop closes the input and waits for the program's end and last output. With
// BASS_ENCODE_AUTOFREE freeing the channel ends the encoder: the handle goes and proc is not
// called again.
HENCODE BASS_Encode_Start(DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc,
                          void* user);
DWORD BASS_Encode_IsActive(DWORD handle);
BOOL BASS_Encode_Stop(DWORD handle);
// Cuts between one encoder's samples and the next's (this library's own addition), so that a
// recording split at a title change splits at the title's sample. BASS_Encode_CutAt(handle,
// filepos, delayMs): the samples decoded from the first packet at or after source byte filepos
// (the count of BASS_StreamGetFilePosition), moved on by delayMs, are the first the encoders
// running on the channel do not get; they and those after them wait (up to a minute) for the
// next BASS_Encode_Start on the channel, which begins with them. A cut the decoder has passed
// comes at once. Cuts queue, and each start takes the oldest one no start has taken; a start
// without one gets the samples as they come. When the samples reach a cut, the
// BASS_SYNC_ENCODE_CUT syncs fire (on a library thread, after the encoders got the samples
// before it). BASS_ERROR_NOTAVAIL when the stream's packets carry no source position (the
// caller then splits by its own clock), BASS_ERROR_BUSY when 16 cuts wait already.
// BASS_Encode_ClearCuts ends a recording's cuts: it drops the cuts no start has taken and the
// samples held for them, and the encoders still running get no more samples.
BOOL BASS_Encode_CutAt(DWORD handle, QWORD filepos, DWORD delayMs);
BOOL BASS_Encode_ClearCuts(DWORD handle);

// WMA encoding in-process (WMA 2 in an ASF file). GetRates returns the constant bit rates,
// highest first, ended by 0, or null when none (always for BASS_WMA_ENCODE_RATES_VBR).
// OpenFile: BASS_SAMPLE_FLOAT in flags for float samples, else 16-bit; BASS_ERROR_CREATE when
// the file cannot be made, BASS_ERROR_FORMAT for a rate the codec refuses.
const DWORD* BASS_WMA_EncodeGetRates(DWORD freq, DWORD chans, DWORD flags);
HWMENCODE BASS_WMA_EncodeOpenFile(DWORD freq, DWORD chans, DWORD flags, DWORD bitrate,
                                  const void* file);
BOOL BASS_WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length);
BOOL BASS_WMA_EncodeClose(HWMENCODE handle);
}
