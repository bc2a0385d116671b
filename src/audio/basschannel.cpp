// Channel functions of the public interface: playback, state, attributes, tags, levels, data,
// positions, syncs and DSP callbacks. Any thread; each call holds the channel while it runs.

#include "audio/bass.h"

#include "audio/channel.h"
#include "audio/channellinks.h"
#include "audio/errorstate.h"
#include "audio/library.h"

#include <cmath>

using qwaudio::Channel;
using qwaudio::ChannelLinks;
using qwaudio::ErrorState;
using qwaudio::Library;

namespace {

std::shared_ptr<Channel> find(DWORD handle) {
    auto channel = Library::instance().channel(handle);
    ErrorState::set(channel ? BASS_OK : BASS_ERROR_HANDLE);
    return channel;
}

BOOL result(int error) {
    ErrorState::set(error);
    return error == 0 ? TRUE : FALSE;
}

// The channel when it plays to the output; a decoding channel has no level and no device.
std::shared_ptr<Channel> findPlaying(DWORD handle) {
    auto channel = find(handle);
    if (channel && channel->isDecodeOnly()) {
        ErrorState::set(BASS_ERROR_DECODE);
        return nullptr;
    }
    return channel;
}

// The channel when positions are asked for in bytes, the only mode a stream measures.
std::shared_ptr<Channel> findInBytes(DWORD handle, DWORD mode) {
    auto channel = find(handle);
    if (channel && mode != BASS_POS_BYTE) {
        ErrorState::set(BASS_ERROR_NOTAVAIL);
        return nullptr;
    }
    return channel;
}

// The channel when a callback was given for it.
std::shared_ptr<Channel> findWithCallback(DWORD handle, bool hasCallback) {
    auto channel = find(handle);
    if (channel && !hasCallback) {
        ErrorState::set(BASS_ERROR_ILLPARAM);
        return nullptr;
    }
    return channel;
}

// Calls a channel has no part of (3D, links): the error for a valid handle.
BOOL unsupported(DWORD handle, int error) {
    return find(handle) ? result(error) : FALSE;
}

int playChannel(const std::shared_ptr<Channel>& channel, bool restart) {
    return channel->play(restart);
}

int stopChannel(const std::shared_ptr<Channel>& channel, bool) {
    const int error = channel->stop();
    // An auto-free stream goes when it stops.
    if (error == 0 && (channel->flags() & BASS_STREAM_AUTOFREE))
        Library::instance().freeChannel(channel->handle());
    return error;
}

int pauseChannel(const std::shared_ptr<Channel>& channel, bool) {
    return channel->pause();
}

// Runs an action on the channel, then on the channels linked to it (their own results do not
// change the call's).
BOOL withLinks(DWORD handle, int (*action)(const std::shared_ptr<Channel>&, bool), bool flag) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    const int error = action(channel, flag);
    for (DWORD linked : ChannelLinks::instance().linkedTo(handle)) {
        if (auto other = Library::instance().channel(linked))
            action(other, flag);
        else
            ChannelLinks::instance().forget(linked);
    }
    return result(error);
}

} // namespace

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    return withLinks(handle, playChannel, restart != FALSE);
}

BOOL BASS_ChannelStop(DWORD handle) {
    return withLinks(handle, stopChannel, false);
}

BOOL BASS_ChannelPause(DWORD handle) {
    return withLinks(handle, pauseChannel, false);
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    auto channel = find(handle);
    return channel ? channel->activeState() : DWORD(BASS_ACTIVE_STOPPED);
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    if (!info)
        return result(BASS_ERROR_ILLPARAM);
    channel->info(info);
    return TRUE;
}

const char* BASS_ChannelGetTags(DWORD handle, DWORD tags) {
    auto channel = find(handle);
    if (!channel)
        return nullptr;
    const char* text = channel->tags(tags);
    if (!text)
        ErrorState::set(BASS_ERROR_NOTAVAIL);
    return text;
}

BOOL BASS_ChannelSetAttribute(DWORD handle, DWORD attrib, float value) {
    auto channel = find(handle);
    return channel ? result(channel->setAttribute(attrib, value)) : FALSE;
}

BOOL BASS_ChannelGetAttribute(DWORD handle, DWORD attrib, float* value) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    if (!value)
        return result(BASS_ERROR_ILLPARAM);
    return result(channel->attribute(attrib, value));
}

BOOL BASS_ChannelSlideAttribute(DWORD handle, DWORD attrib, float value, DWORD timeMs) {
    auto channel = find(handle);
    return channel ? result(channel->slideAttribute(attrib, value, timeMs)) : FALSE;
}

BOOL BASS_ChannelIsSliding(DWORD handle, DWORD attrib) {
    auto channel = find(handle);
    return channel && channel->isSliding(attrib) ? TRUE : FALSE;
}

DWORD BASS_ChannelGetLevel(DWORD handle) {
    auto channel = findPlaying(handle);
    if (!channel)
        return DWORD(-1);
    // A stopped channel is silent: 0 with the error set, so that a meter never shows the
    // all-ones error value as a full level.
    if (channel->activeState() == BASS_ACTIVE_STOPPED)
        ErrorState::set(BASS_ERROR_NOPLAY);
    return channel->level();
}

DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
    auto channel = find(handle);
    if (!channel)
        return DWORD(-1);
    if (!buffer && length != BASS_DATA_AVAILABLE) {
        ErrorState::set(BASS_ERROR_ILLPARAM);
        return DWORD(-1);
    }
    int error = 0;
    const DWORD count = channel->data(buffer, length, &error);
    ErrorState::set(error);
    return count;
}

QWORD BASS_ChannelGetLength(DWORD handle, DWORD mode) {
    auto channel = findInBytes(handle, mode);
    if (!channel)
        return QWORD(-1);
    const QWORD length = channel->length();
    if (length == QWORD(-1))
        ErrorState::set(BASS_ERROR_NOTAVAIL);
    return length;
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode) {
    auto channel = findInBytes(handle, mode);
    return channel ? channel->position() : QWORD(-1);
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD /*pos*/, DWORD /*mode*/) {
    return unsupported(handle, BASS_ERROR_NOTAVAIL);
}

double BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    auto channel = find(handle);
    return channel ? channel->bytesToSeconds(pos) : -1.0;
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double pos) {
    auto channel = find(handle);
    return channel ? channel->secondsToBytes(pos) : QWORD(-1);
}

DWORD BASS_ChannelGetDevice(DWORD handle) {
    return findPlaying(handle) ? DWORD(Library::instance().device()) : DWORD(-1);
}

BOOL BASS_ChannelSetDevice(DWORD handle, DWORD device) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    return result(int(device) == Library::instance().device() ? 0 : BASS_ERROR_DEVICE);
}

BOOL BASS_ChannelSet3DAttributes(DWORD handle, int, float, float, int, int, float) {
    return unsupported(handle, BASS_ERROR_NO3D);
}

BOOL BASS_ChannelGet3DAttributes(DWORD handle, DWORD*, float*, float*, DWORD*, DWORD*, float*) {
    return unsupported(handle, BASS_ERROR_NO3D);
}

BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR*, const BASS_3DVECTOR*,
                               const BASS_3DVECTOR*) {
    return unsupported(handle, BASS_ERROR_NO3D);
}

BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
    return unsupported(handle, BASS_ERROR_NO3D);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    auto channel = findWithCallback(handle, proc != nullptr);
    if (!channel)
        return 0;
    switch (type & ~DWORD(BASS_SYNC_MIXTIME | BASS_SYNC_ONETIME)) {
    case BASS_SYNC_END:
    case BASS_SYNC_META:
    case BASS_SYNC_STALL:
    case BASS_SYNC_DOWNLOAD:
    case BASS_SYNC_FREE:
    case BASS_SYNC_OGG_CHANGE:
    case BASS_SYNC_WMA_CHANGE:
    case BASS_SYNC_WMA_META:
    case BASS_SYNC_ENCODE_CUT:
        break;
    default:
        ErrorState::set(BASS_ERROR_ILLTYPE);
        return 0;
    }
    return channel->addSync(Library::instance().newHandle(), type, param, proc, user);
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    return result(channel->removeSync(sync) ? 0 : BASS_ERROR_HANDLE);
}

HDSP BASS_ChannelSetDSP(DWORD handle, DSPPROC* proc, void* user, int priority) {
    auto channel = findWithCallback(handle, proc != nullptr);
    return channel ? channel->addDsp(Library::instance().newHandle(), proc, user, priority) : 0;
}

BOOL BASS_ChannelRemoveDSP(DWORD handle, HDSP dsp) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    return result(channel->removeDsp(dsp) ? 0 : BASS_ERROR_HANDLE);
}

BOOL BASS_ChannelSetLink(DWORD handle, DWORD chan) {
    auto channel = find(handle);
    if (!channel)
        return FALSE;
    auto other = Library::instance().channel(chan);
    if (!other || chan == handle)
        return result(BASS_ERROR_HANDLE);
    if (other->isDecodeOnly())
        return result(BASS_ERROR_DECODE);
    return result(ChannelLinks::instance().add(handle, chan) ? 0 : BASS_ERROR_ALREADY);
}

BOOL BASS_ChannelRemoveLink(DWORD handle, DWORD chan) {
    if (!find(handle))
        return FALSE;
    return result(ChannelLinks::instance().remove(handle, chan) ? 0 : BASS_ERROR_ALREADY);
}
