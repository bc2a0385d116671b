#pragma once

// Reconnecting to a station that went off the air: attempts after growing pauses (5 s, 10 s, 20 s,
// 40 s, then every minute) for about five minutes, with a count-down the window shows. It only
// keeps time; the playback controller makes each attempt and says when one succeeded.
// GUI thread; owned by the playback controller.

#include <QList>
#include <QObject>

class QTimer;

class Reconnector : public QObject {
    Q_OBJECT
public:
    static QList<int> defaultPausesMs();

    explicit Reconnector(QObject* parent = nullptr, QList<int> pausesMs = defaultPausesMs());

    bool isActive() const { return m_waiting || m_attempt > 0; }
    int attempt() const { return m_attempt; }
    // Waits for the next attempt; false (and inactive again) when every attempt has been made.
    bool scheduleNext();
    // Forgets the attempts made: after a success or when the user takes over.
    void cancel();

signals:
    // Once a second while waiting, and when the wait starts.
    void signal_waiting(int secondsLeft, int attempt);
    // Time for the attempt of that number (counted from 1).
    void signal_attempt(int attempt);

private slots:
    void slot_tick();

private:
    QList<int> m_pausesMs;
    QTimer* m_tick;
    int m_attempt = 0;
    int m_leftMs = 0;
    bool m_waiting = false;
};
