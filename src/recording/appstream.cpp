#include "recording/appstream.h"

AppStream::AppStream(QObject* parent) : BASS::Stream(parent) {
    // An MP3 stream asked for as MP3 is always copied as it comes.
    AddDirectFormat(BASS::REC_FORMAT_MP3);
}

AppStream::~AppStream() {
    // The decoding thread calls into this object until the stream is freed; each base class's
    // destructor would already have changed what those calls reach, so free it here, first.
    if (GetHandle())
        ReleaseStream();
}

void AppStream::OnStarted() {
    emit signal_Started(this);
}

void AppStream::OnSecondTick(DWORD state) {
    BASS::Stream::OnSecondTick(state);
    if (state != BASS_ACTIVE_STALLED) {
        m_stalledSeconds = 0;
        return;
    }
    if (++m_stalledSeconds > StallTimeoutSeconds) {
        m_stalledSeconds = 0;
        emit signal_Timeout(this);
    }
}
