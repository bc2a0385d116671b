#pragma once

// Objects of one kind by handle, for the calls that name them by handle alone (encoders, WMA
// encoders). Any thread (m_mutex guards the map); one instance per kind.

#include "audio/bass.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace qwaudio {

template <typename Object> class HandleTable {
public:
    static HandleTable& instance() {
        static HandleTable table;
        return table;
    }

    void add(DWORD handle, const std::shared_ptr<Object>& object) {
        std::lock_guard lock(m_mutex);
        m_objects[handle] = object;
    }

    // Null when the handle is unknown.
    std::shared_ptr<Object> find(DWORD handle) const {
        std::lock_guard lock(m_mutex);
        auto it = m_objects.find(handle);
        return it == m_objects.end() ? nullptr : it->second;
    }

    // Removes the handle and returns its object (null when unknown).
    std::shared_ptr<Object> take(DWORD handle) {
        std::lock_guard lock(m_mutex);
        auto it = m_objects.find(handle);
        if (it == m_objects.end())
            return nullptr;
        auto object = it->second;
        m_objects.erase(it);
        return object;
    }

private:
    HandleTable() = default;
    mutable std::mutex m_mutex;
    std::unordered_map<DWORD, std::shared_ptr<Object>> m_objects; // guarded by m_mutex
};

} // namespace qwaudio
