#include "app/reconnector.h"

#include <QTimer>

namespace {

constexpr int kTickMs = 1000;

} // namespace

QList<int> Reconnector::defaultPausesMs() {
    return {5000, 10000, 20000, 40000, 60000, 60000, 60000, 60000};
}

Reconnector::Reconnector(QObject* parent, QList<int> pausesMs)
    : QObject(parent), m_pausesMs(std::move(pausesMs)), m_tick(new QTimer(this)) {
    connect(m_tick, &QTimer::timeout, this, &Reconnector::slot_tick);
}

bool Reconnector::scheduleNext() {
    if (m_attempt >= m_pausesMs.size()) {
        cancel();
        return false;
    }
    m_leftMs = m_pausesMs.at(m_attempt);
    ++m_attempt;
    m_waiting = true;
    m_tick->start(qMin(kTickMs, m_leftMs));
    emit signal_waiting((m_leftMs + kTickMs - 1) / kTickMs, m_attempt);
    return true;
}

void Reconnector::cancel() {
    m_tick->stop();
    m_waiting = false;
    m_attempt = 0;
}

void Reconnector::slot_tick() {
    m_leftMs -= m_tick->interval();
    if (m_leftMs > 0) {
        m_tick->setInterval(qMin(kTickMs, m_leftMs));
        emit signal_waiting((m_leftMs + kTickMs - 1) / kTickMs, m_attempt);
        return;
    }
    m_tick->stop();
    m_waiting = false;
    emit signal_attempt(m_attempt);
}
