#pragma once

// One-way links between channels: playing, stopping or pausing a channel does the same to the
// channels linked to it. Any thread (m_mutex guards the map); one instance. Links to a freed
// channel are dropped when they are next followed.

#include "audio/bass.h"

#include <map>
#include <mutex>
#include <vector>

namespace qwaudio {

class ChannelLinks {
public:
    static ChannelLinks& instance();

    // False when the link exists already.
    bool add(DWORD from, DWORD to);
    // False when there was no such link.
    bool remove(DWORD from, DWORD to);
    std::vector<DWORD> linkedTo(DWORD from) const;
    // Forgets every link from or to a channel that is gone.
    void forget(DWORD handle);

private:
    mutable std::mutex m_mutex;
    std::multimap<DWORD, DWORD> m_links; // guarded by m_mutex
};

} // namespace qwaudio
