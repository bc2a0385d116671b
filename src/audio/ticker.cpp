#include "audio/ticker.h"

#include <chrono>

namespace qwaudio {

Ticker::~Ticker() {
    stop();
}

void Ticker::start(std::function<Pace()> tick) {
    stop();
    {
        std::lock_guard lock(m_mutex);
        m_stop = false;
        m_woken = false;
    }
    m_thread = std::thread([this, tick = std::move(tick)] { run(tick); });
}

void Ticker::run(const std::function<Pace()>& tick) {
    Pace pace = Pace::Watching;
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const auto woken = [this] { return m_stop || m_woken; };
        if (pace == Pace::Asleep)
            m_changed.wait(lock, woken);
        else
            m_changed.wait_for(lock, std::chrono::milliseconds(pace == Pace::Quick ? 20 : 50),
                               [this] { return m_stop; });
        if (m_stop)
            break;
        m_woken = false;
        lock.unlock();
        pace = tick();
        lock.lock();
    }
}

void Ticker::wake() {
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_changed.notify_all();
}

void Ticker::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (!m_thread.joinable())
        return;
    if (isTickerThread())
        m_thread.detach();
    else
        m_thread.join();
}

bool Ticker::isTickerThread() const {
    return m_thread.get_id() == std::this_thread::get_id();
}

} // namespace qwaudio
