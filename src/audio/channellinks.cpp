#include "audio/channellinks.h"

namespace qwaudio {

ChannelLinks& ChannelLinks::instance() {
    static ChannelLinks links;
    return links;
}

bool ChannelLinks::add(DWORD from, DWORD to) {
    std::lock_guard lock(m_mutex);
    auto [first, last] = m_links.equal_range(from);
    for (auto it = first; it != last; ++it) {
        if (it->second == to)
            return false;
    }
    m_links.emplace(from, to);
    return true;
}

bool ChannelLinks::remove(DWORD from, DWORD to) {
    std::lock_guard lock(m_mutex);
    auto [first, last] = m_links.equal_range(from);
    for (auto it = first; it != last; ++it) {
        if (it->second == to) {
            m_links.erase(it);
            return true;
        }
    }
    return false;
}

std::vector<DWORD> ChannelLinks::linkedTo(DWORD from) const {
    std::lock_guard lock(m_mutex);
    std::vector<DWORD> linked;
    auto [first, last] = m_links.equal_range(from);
    for (auto it = first; it != last; ++it)
        linked.push_back(it->second);
    return linked;
}

void ChannelLinks::forget(DWORD handle) {
    std::lock_guard lock(m_mutex);
    m_links.erase(handle);
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (it->second == handle)
            it = m_links.erase(it);
        else
            ++it;
    }
}

} // namespace qwaudio
