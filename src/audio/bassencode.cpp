// Encoder functions of the public interface: encoder programs fed with a channel's samples,
// and WMA files encoded in-process. Any thread; BASS_Encode_Stop waits for the program to end.

#include "audio/bass.h"

#include "audio/channel.h"
#include "audio/errorstate.h"
#include "audio/handletable.h"
#include "audio/library.h"
#include "audio/textcodec.h"
#include "audio/wmaencoder.h"

using qwaudio::Encoder;
using EncoderTable = qwaudio::HandleTable<Encoder>;
using qwaudio::ErrorState;
using qwaudio::Library;
using qwaudio::TextCodec;
using qwaudio::WmaEncoder;
using WmaTable = qwaudio::HandleTable<WmaEncoder>;

HENCODE BASS_Encode_Start(DWORD handle, const void* cmdline, DWORD flags, ENCODEPROC* proc,
                          void* user) {
    auto channel = Library::instance().channel(handle);
    if (!channel) {
        ErrorState::set(BASS_ERROR_HANDLE);
        return 0;
    }
    const std::string commandLine = TextCodec::argument(cmdline, (flags & BASS_UNICODE) != 0);
    BASS_CHANNELINFO info;
    channel->info(&info);
    Encoder::Setup setup;
    setup.handle = Library::instance().newHandle();
    setup.channel = handle;
    setup.flags = flags;
    setup.channelFlags = info.flags;
    setup.rate = info.freq > 0 ? int(info.freq) : 44100;
    setup.channels = info.chans > 0 ? int(info.chans) : 2;
    setup.proc = proc;
    setup.user = user;
    auto encoder = std::make_shared<Encoder>(setup);
    const int error = encoder->start(commandLine);
    if (error != 0) {
        ErrorState::set(error);
        return 0;
    }
    EncoderTable::instance().add(setup.handle, encoder);
    channel->encoders().add(encoder);
    ErrorState::set(BASS_OK);
    return setup.handle;
}

DWORD BASS_Encode_IsActive(DWORD handle) {
    auto encoder = EncoderTable::instance().find(handle);
    if (!encoder) {
        ErrorState::set(BASS_ERROR_HANDLE);
        return BASS_ACTIVE_STOPPED;
    }
    ErrorState::set(BASS_OK);
    return encoder->active() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

BOOL BASS_Encode_Stop(DWORD handle) {
    auto encoder = EncoderTable::instance().take(handle);
    if (!encoder)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    encoder->finish();
    if (auto channel = Library::instance().channel(encoder->channel()))
        channel->encoders().remove(handle);
    encoder->stop();
    ErrorState::set(BASS_OK);
    return TRUE;
}

BOOL BASS_Encode_CutAt(DWORD handle, QWORD filepos, DWORD delayMs) {
    auto channel = Library::instance().channel(handle);
    if (!channel)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    if (!channel->cutsPossible() || !channel->encoders().addCut(int64_t(filepos), int(delayMs)))
        return ErrorState::fail(BASS_ERROR_NOTAVAIL);
    ErrorState::set(BASS_OK);
    return TRUE;
}

BOOL BASS_Encode_ClearCuts(DWORD handle) {
    auto channel = Library::instance().channel(handle);
    if (!channel)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    channel->encoders().clearCuts();
    ErrorState::set(BASS_OK);
    return TRUE;
}

const DWORD* BASS_WMA_EncodeGetRates(DWORD freq, DWORD chans, DWORD flags) {
    // The wmav2 codec has constant bit rates only: no variable-quality levels to offer.
    const DWORD* rates = (flags & BASS_WMA_ENCODE_RATES_VBR)
                             ? nullptr
                             : WmaEncoder::constantRates(int(freq), int(chans));
    ErrorState::set(rates ? BASS_OK : BASS_ERROR_FORMAT);
    return rates;
}

HWMENCODE BASS_WMA_EncodeOpenFile(DWORD freq, DWORD chans, DWORD flags, DWORD bitrate,
                                  const void* file) {
    const std::string path = TextCodec::argument(file, (flags & BASS_UNICODE) != 0);
    if (path.empty() || freq == 0 || chans == 0) {
        ErrorState::set(BASS_ERROR_ILLPARAM);
        return 0;
    }
    auto encoder = std::make_shared<WmaEncoder>();
    const int error =
        encoder->open(path, int(freq), int(chans), int(bitrate), (flags & BASS_SAMPLE_FLOAT) != 0);
    if (error != 0) {
        ErrorState::set(error);
        return 0;
    }
    const HWMENCODE handle = Library::instance().newHandle();
    WmaTable::instance().add(handle, encoder);
    ErrorState::set(BASS_OK);
    return handle;
}

BOOL BASS_WMA_EncodeWrite(HWMENCODE handle, const void* buffer, DWORD length) {
    auto encoder = WmaTable::instance().find(handle);
    if (!encoder)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    if (!buffer && length > 0)
        return ErrorState::fail(BASS_ERROR_ILLPARAM);
    const int error = encoder->write(buffer, length);
    ErrorState::set(error);
    return error == 0;
}

BOOL BASS_WMA_EncodeClose(HWMENCODE handle) {
    auto encoder = WmaTable::instance().take(handle);
    if (!encoder)
        return ErrorState::fail(BASS_ERROR_HANDLE);
    const int error = encoder->close();
    ErrorState::set(error);
    return error == 0;
}
