#include "recording/sleeptimer.h"

#include "recording/csystemshutdown.h"

SleepTimer::SleepTimer(QObject* parent) : QObject(parent) {}

QList<int> SleepTimer::presetMinutes() {
    return {0, 5, 10, 15, 20, 25, 30, 60, 90, 120};
}

QString SleepTimer::presetText(int minutes) {
    if (minutes == 0)
        return tr("Off");
    return QStringLiteral("%1 %2").arg(minutes).arg(tr("minutes"));
}

QString SleepTimer::remainingText(int seconds) {
    int hours = 0;
    int minutes = seconds / 60;
    int rest = seconds % 60;
    if (seconds > 3600) {
        hours = seconds / 3600;
        minutes = (seconds % 3600) / 60;
        rest = 0;
    }
    QString text;
    if (hours > 0)
        text += QStringLiteral("%1 ").arg(hours) + (hours == 1 ? tr("hour ") : tr("hours "));
    if (minutes < 1)
        return text + tr("less than a minute");
    text += QStringLiteral("%1 ").arg(minutes) + (minutes == 1 ? tr("minute ") : tr("minutes "));
    if (rest > 0)
        text += QStringLiteral(" %1 ").arg(rest) + tr("seconds");
    return text;
}

void SleepTimer::start(int lengthSeconds) {
    m_length = qMax(0, lengthSeconds);
    m_elapsed = 0;
    emit sig_changed();
}

void SleepTimer::resume(int lengthSeconds, int elapsedSeconds) {
    m_length = qMax(0, lengthSeconds);
    m_elapsed = qBound(0, elapsedSeconds, m_length);
    emit sig_changed();
}

void SleepTimer::setEndAction(int action) {
    m_endAction = action;
    emit sig_changed();
}

bool SleepTimer::tick() {
    if (m_length == 0)
        return false;
    ++m_elapsed;
    emit sig_changed();
    return m_elapsed >= m_length;
}

QString SleepTimer::menuTitle() const {
    return CSystemShutdown::ActionName(m_endAction) + u' ' + tr("in");
}

QString SleepTimer::toolTip() const {
    return menuTitle() + u' ' + remainingText(remaining());
}

int SleepTimer::presetIndex() const {
    const QList<int> presets = presetMinutes();
    for (int i = 0; i < presets.size(); ++i) {
        if (presets.at(i) * 60 >= m_length)
            return i;
    }
    return presets.size() - 1;
}
