// Stream creation, freeing and file positions of the public interface. A create runs on the
// caller's thread until the stream is ready; the handle table (Library) then owns the channel.

#include "audio/bass.h"

#include "audio/channel.h"
#include "audio/errorstate.h"
#include "audio/library.h"
#include "audio/textcodec.h"

using qwaudio::Channel;
using qwaudio::ErrorState;
using qwaudio::Library;
using qwaudio::StreamKind;

namespace {

enum class Source { Url, File, Memory };

int openSource(Channel& channel, Source source, const void* address, QWORD length, DWORD flags,
               DOWNLOADPROC* proc, void* user) {
    const bool unicode = (flags & BASS_UNICODE) != 0;
    switch (source) {
    case Source::Url:
        return channel.openUrl(qwaudio::TextCodec::argument(address, unicode), proc, user);
    case Source::File:
        return channel.openFile(qwaudio::TextCodec::argument(address, unicode));
    case Source::Memory:
        return channel.openMemory(address, size_t(length));
    }
    return BASS_ERROR_ILLPARAM;
}

HSTREAM create(StreamKind kind, Source source, const void* address, QWORD length, DWORD flags,
               DOWNLOADPROC* proc, void* user) {
    Library& library = Library::instance();
    if (!library.initialised()) {
        ErrorState::set(BASS_ERROR_INIT);
        return 0;
    }
    if (!address) {
        ErrorState::set(BASS_ERROR_ILLPARAM);
        return 0;
    }
    Library::CreateKey key;
    if (source == Source::Url)
        key = {qwaudio::TextCodec::argument(address, (flags & BASS_UNICODE) != 0), flags, proc,
               user};
    std::shared_ptr<Channel> channel = library.takeParked(key);
    const bool reused = channel != nullptr;
    if (!reused)
        channel = std::make_shared<Channel>(library.newHandle(), flags, kind, &library.output());
    int error = !library.beginCreate(channel) ? BASS_ERROR_FILEOPEN
                : reused ? channel->reopenAs(kind)
                         : openSource(*channel, source, address, length, flags, proc, user);
    if (error == 0)
        channel->start();
    if (!library.finishCreate(channel, error == 0) && error == 0)
        error = BASS_ERROR_INIT;
    if (error != 0) {
        if (error == BASS_ERROR_FILEFORM && source == Source::Url && channel->canReopen())
            library.park(channel, std::move(key));
        else
            channel->shutdown();
        ErrorState::set(error);
        return 0;
    }
    ErrorState::set(BASS_OK);
    return channel->handle();
}

HSTREAM createFile(StreamKind kind, BOOL mem, const void* file, QWORD offset, QWORD length,
                   DWORD flags) {
    if (mem) {
        const auto* bytes = static_cast<const uint8_t*>(file);
        return create(kind, Source::Memory, bytes ? bytes + offset : nullptr, length, flags,
                      nullptr, nullptr);
    }
    if (offset != 0 || length != 0) {
        ErrorState::set(BASS_ERROR_NOTAVAIL);
        return 0;
    }
    return create(kind, Source::File, file, 0, flags, nullptr, nullptr);
}

} // namespace

HSTREAM BASS_StreamCreate(DWORD /*freq*/, DWORD /*chans*/, DWORD /*flags*/, STREAMPROC* /*proc*/,
                          void* /*user*/) {
    ErrorState::set(BASS_ERROR_NOTAVAIL);
    return 0;
}

DWORD BASS_StreamPutData(HSTREAM /*handle*/, const void* /*buffer*/, DWORD /*length*/) {
    ErrorState::set(BASS_ERROR_HANDLE);
    return DWORD(-1);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    return createFile(StreamKind::Generic, mem, file, offset, length, flags);
}

HSTREAM BASS_StreamCreateURL(const void* url, DWORD /*offset*/, DWORD flags, DOWNLOADPROC* proc,
                             void* user) {
    return create(StreamKind::Generic, Source::Url, url, 0, flags, proc, user);
}

HSTREAM BASS_WMA_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags) {
    // The WMA add-on opens addresses through this call too.
    if (!mem && file) {
        const std::string name = qwaudio::TextCodec::argument(file, (flags & BASS_UNICODE) != 0);
        if (name.find("://") != std::string::npos)
            return create(StreamKind::Wma, Source::Url, file, 0, flags, nullptr, nullptr);
    }
    return createFile(StreamKind::Wma, mem, file, offset, length, flags);
}

HSTREAM BASS_AAC_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags) {
    return createFile(StreamKind::Aac, mem, file, offset, length, flags);
}

HSTREAM BASS_AAC_StreamCreateURL(const void* url, DWORD /*offset*/, DWORD flags, DOWNLOADPROC* proc,
                                 void* user) {
    return create(StreamKind::Aac, Source::Url, url, 0, flags, proc, user);
}

HSTREAM BASS_MP4_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                  DWORD flags) {
    // The engine hands the MP4 decoder addresses as file names.
    if (!mem && file) {
        const std::string name = qwaudio::TextCodec::argument(file, (flags & BASS_UNICODE) != 0);
        if (name.find("://") != std::string::npos)
            return create(StreamKind::Mp4, Source::Url, file, 0, flags, nullptr, nullptr);
    }
    return createFile(StreamKind::Mp4, mem, file, offset, length, flags);
}

HSTREAM BASS_FLAC_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                   DWORD flags) {
    return createFile(StreamKind::Flac, mem, file, offset, length, flags);
}

HSTREAM BASS_FLAC_StreamCreateURL(const void* url, DWORD /*offset*/, DWORD flags,
                                  DOWNLOADPROC* proc, void* user) {
    return create(StreamKind::Flac, Source::Url, url, 0, flags, proc, user);
}

BOOL BASS_StreamFree(HSTREAM handle) {
    if (!Library::instance().freeChannel(handle)) {
        ErrorState::set(BASS_ERROR_HANDLE);
        return FALSE;
    }
    ErrorState::set(BASS_OK);
    return TRUE;
}

BOOL BASS_StreamCreateOwner(const void* owner) {
    Library::setCreateOwner(owner);
    ErrorState::set(BASS_OK);
    return TRUE;
}

BOOL BASS_StreamAbortCreates(const void* owner, BOOL abort) {
    if (!owner) {
        ErrorState::set(BASS_ERROR_ILLPARAM);
        return FALSE;
    }
    Library::instance().abortCreates(owner, abort != FALSE);
    ErrorState::set(BASS_OK);
    return TRUE;
}

QWORD BASS_StreamGetFilePosition(HSTREAM handle, DWORD mode) {
    auto channel = Library::instance().channel(handle);
    if (!channel) {
        ErrorState::set(BASS_ERROR_HANDLE);
        return QWORD(-1);
    }
    const QWORD position = channel->filePosition(mode);
    ErrorState::set(position == QWORD(-1) ? BASS_ERROR_NOTFILE : BASS_OK);
    return position;
}
