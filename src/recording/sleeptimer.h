#pragma once

// The sleep timer: a length in seconds (0 = off), the seconds counted so far and the end action
// carried out when they meet. It counts only the seconds it is told a stream played, so pauses
// and stalls do not bring the end nearer. Also the texts the window shows for it: the preset
// times, the menu title and the tool tip with the time left. GUI thread; owned by the playback
// controller.

#include <QList>
#include <QObject>
#include <QString>

class SleepTimer : public QObject {
    Q_OBJECT
public:
    explicit SleepTimer(QObject* parent = nullptr);

    // The preset times in minutes, "Off" (0) first.
    static QList<int> presetMinutes();
    // "Off", or the number and "minutes".
    static QString presetText(int minutes);
    // The time left as the tool tip says it: hours above an hour, else minutes and seconds.
    static QString remainingText(int seconds);

    // Starts (or with 0 switches off) the timer; the count starts again at 0.
    void start(int lengthSeconds);
    void stop() { start(0); }
    // Takes up a count kept across a station change.
    void resume(int lengthSeconds, int elapsedSeconds);
    void setEndAction(int action);

    int length() const { return m_length; }
    int elapsed() const { return m_elapsed; }
    int endAction() const { return m_endAction; }
    bool isRunning() const { return m_length != 0; }
    int remaining() const { return m_length > 0 ? m_length - m_elapsed : 0; }

    // One second of playback; true when this second ends the timer.
    bool tick();

    // "<action> in", the title of the sleep menu.
    QString menuTitle() const;
    // "<action> in <time left>".
    QString toolTip() const;
    // The preset the menu checks: the first whose time is at least the length.
    int presetIndex() const;

signals:
    void sig_changed();

private:
    int m_length = 0;
    int m_elapsed = 0;
    int m_endAction = 0;
};
