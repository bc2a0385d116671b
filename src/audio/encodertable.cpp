#include "audio/encodertable.h"

namespace qwaudio {

EncoderTable& EncoderTable::instance() {
    static EncoderTable table;
    return table;
}

void EncoderTable::add(const std::shared_ptr<Encoder>& encoder) {
    std::lock_guard lock(m_mutex);
    m_encoders[encoder->handle()] = encoder;
}

std::shared_ptr<Encoder> EncoderTable::find(HENCODE handle) const {
    std::lock_guard lock(m_mutex);
    auto it = m_encoders.find(handle);
    return it == m_encoders.end() ? nullptr : it->second;
}

std::shared_ptr<Encoder> EncoderTable::take(HENCODE handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_encoders.find(handle);
    if (it == m_encoders.end())
        return nullptr;
    auto encoder = it->second;
    m_encoders.erase(it);
    return encoder;
}

} // namespace qwaudio
