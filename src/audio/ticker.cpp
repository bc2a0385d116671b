#include "audio/ticker.h"

#include <chrono>

namespace qwaudio {

Ticker::~Ticker() {
    stop();
}

void Ticker::start(std::function<bool()> tick) {
    stop();
    m_stop = false;
    m_thread = std::thread([this, tick = std::move(tick)] {
        bool busy = false;
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(busy ? 20 : 50));
            if (!m_stop)
                busy = tick();
        }
    });
}

void Ticker::stop() {
    m_stop = true;
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
