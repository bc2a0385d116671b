#pragma once

#include <QString>

namespace BASS {

// The title texts read from one metadata block before they are split into artist and title.
// Written by the metadata handler under the engine's metadata mutex; owned by the engine.
struct RawTitle {
    QString m_title;
    QString m_streamUrl;
    QString m_artist;
    QString m_extra;
    QString m_complete;
    int m_kind = 0;

    void Clear() { *this = RawTitle(); }
};

} // namespace BASS
