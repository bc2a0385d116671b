#include "audio/library.h"

#include "audio/channel.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace qwaudio {

Library& Library::instance() {
    static Library library;
    return library;
}

int Library::init(int device, DWORD rate, DWORD flags) {
    std::lock_guard lock(m_mutex);
    if (m_initialised)
        return BASS_ERROR_ALREADY;
    if (device == -1)
        device = 1;
    if (device < 0)
        return BASS_ERROR_DEVICE;
    if (device >= 2 && size_t(device - 2) >= Output::deviceNames().size())
        return BASS_ERROR_DEVICE;
    const int error = m_output.open(device, int(rate));
    if (error != 0) {
        m_output.close();
        return error;
    }
    m_initialised = true;
    m_device = device;
    m_initFlags = flags;
    m_ticker.start([this] { return tick(); });
    return 0;
}

int Library::free() {
    std::vector<std::shared_ptr<Channel>> channels;
    {
        std::lock_guard lock(m_mutex);
        if (!m_initialised)
            return BASS_ERROR_INIT;
        m_initialised = false;
        m_device = -1;
        for (auto& [handle, channel] : m_channels)
            channels.push_back(channel);
        m_channels.clear();
        for (auto& creating : m_creating) {
            if (auto channel = creating.channel.lock())
                channels.push_back(channel);
        }
        m_creating.clear();
    }
    for (auto& channel : channels)
        channel->shutdown();
    channels.clear();
    expireParked(0);
    m_ticker.stop();
    m_output.close();
    // Give the channels' threads a moment to end, so that none outlives the library's state
    // at process exit; they hold no locks of their callers.
    for (int i = 0; i < 40 && Channel::liveCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 0;
}

bool Library::initialised() const {
    std::lock_guard lock(m_mutex);
    return m_initialised;
}

int Library::device() const {
    std::lock_guard lock(m_mutex);
    return m_device;
}

DWORD Library::initFlags() const {
    std::lock_guard lock(m_mutex);
    return m_initFlags;
}

DWORD Library::newHandle() {
    DWORD handle = m_nextHandle.fetch_add(1);
    if (handle == 0)
        handle = m_nextHandle.fetch_add(1);
    return handle;
}

std::shared_ptr<Channel> Library::channel(DWORD handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_channels.find(handle);
    return it == m_channels.end() ? nullptr : it->second;
}

namespace {
thread_local const void* t_createOwner = nullptr;
}

void Library::setCreateOwner(const void* owner) {
    t_createOwner = owner;
}

bool Library::beginCreate(const std::shared_ptr<Channel>& channel) {
    std::lock_guard lock(m_mutex);
    m_creating.push_back({channel, t_createOwner});
    return !t_createOwner || std::find(m_refusedOwners.begin(), m_refusedOwners.end(),
                                       t_createOwner) == m_refusedOwners.end();
}

void Library::abortCreates(const void* owner, bool abort) {
    std::vector<std::shared_ptr<Channel>> aborted;
    {
        std::lock_guard lock(m_mutex);
        auto refused = std::find(m_refusedOwners.begin(), m_refusedOwners.end(), owner);
        if (!abort) {
            if (refused != m_refusedOwners.end())
                m_refusedOwners.erase(refused);
            return;
        }
        if (refused == m_refusedOwners.end())
            m_refusedOwners.push_back(owner);
        for (auto& creating : m_creating) {
            if (creating.owner != owner)
                continue;
            if (auto channel = creating.channel.lock())
                aborted.push_back(channel);
        }
    }
    // Outside the lock: ending the open wakes the creating thread, which then finishes its
    // create through this table.
    for (auto& channel : aborted)
        channel->abortOpen();
}

bool Library::finishCreate(const std::shared_ptr<Channel>& channel, bool succeeded) {
    std::lock_guard lock(m_mutex);
    auto it = std::find_if(m_creating.begin(), m_creating.end(), [&](const Creating& creating) {
        return creating.channel.lock() == channel;
    });
    if (it == m_creating.end())
        return false; // BASS_Free took it
    m_creating.erase(it);
    if (succeeded) {
        m_channels[channel->handle()] = channel;
        m_ticker.wake();
    }
    return true;
}

bool Library::CreateKey::operator==(const CreateKey& other) const {
    return url == other.url && flags == other.flags && proc == other.proc && user == other.user;
}

void Library::park(const std::shared_ptr<Channel>& channel, CreateKey key) {
    expireParked(0);
    {
        std::lock_guard lock(m_mutex);
        m_parked = {channel, std::move(key), std::this_thread::get_id(),
                    std::chrono::steady_clock::now()};
    }
    m_ticker.wake();
}

std::shared_ptr<Channel> Library::takeParked(const CreateKey& key) {
    std::shared_ptr<Channel> taken;
    {
        std::lock_guard lock(m_mutex);
        if (!m_parked.channel || m_parked.thread != std::this_thread::get_id())
            return nullptr;
        const bool same = m_parked.key == key;
        taken = std::move(m_parked.channel);
        m_parked = {};
        if (same)
            return taken;
    }
    // The caller went on to something else: the connection has no further use.
    taken->shutdown();
    return nullptr;
}

bool Library::expireParked(int maxAgeMs) {
    std::shared_ptr<Channel> expired;
    {
        std::lock_guard lock(m_mutex);
        if (!m_parked.channel)
            return false;
        if (maxAgeMs > 0 && std::chrono::steady_clock::now() - m_parked.since <
                                std::chrono::milliseconds(maxAgeMs))
            return true;
        expired = std::move(m_parked.channel);
        m_parked = {};
    }
    expired->shutdown();
    return false;
}

bool Library::freeChannel(DWORD handle) {
    std::shared_ptr<Channel> channel;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_channels.find(handle);
        if (it == m_channels.end())
            return false;
        channel = it->second;
        m_channels.erase(it);
    }
    channel->shutdown();
    return true;
}

Ticker::Pace Library::tick() {
    std::vector<std::shared_ptr<Channel>> channels;
    {
        std::lock_guard lock(m_mutex);
        channels.reserve(m_channels.size());
        for (auto& [handle, channel] : m_channels)
            channels.push_back(channel);
    }
    bool sliding = false;
    for (auto& channel : channels) {
        if (channel->tick())
            freeChannel(channel->handle());
        else
            sliding = sliding || channel->isSliding(0);
    }
    const bool deviceStopped = m_output.closeIfUnused(kDeviceIdleMs);
    const bool parked = expireParked(kParkedMs);
    if (sliding)
        return Ticker::Pace::Quick;
    // A new channel wakes the ticker (finishCreate, park); until then there is nothing to watch.
    return channels.empty() && deviceStopped && !parked ? Ticker::Pace::Asleep
                                                        : Ticker::Pace::Watching;
}

} // namespace qwaudio
