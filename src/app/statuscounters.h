#pragma once

// The four counters of the status bar: data used by the current station and in total, and the
// texts of elapsed times and byte counts. GUI thread; a value owned by the playback controller.

#include <QCoreApplication>
#include <QString>

class StatusCounters {
    Q_DECLARE_TR_FUNCTIONS(StatusCounters)
public:
    // "mm:ss" below an hour, "hh:mm:ss" from then on.
    static QString elapsedText(qint64 seconds);
    // Plain bytes below 1 kb, then kb (whole), mb (one decimal), gb (two), tb (three).
    static QString byteText(quint64 bytes);
    // Whole kbit/s to bytes per second; the division by 8 comes first, as the counters always did.
    static quint64 bytesPerSecond(int kbps) { return kbps > 0 ? quint64(kbps / 8) * 1000 : 0; }

    // One display-timer second of an active stream playing at kbps for stationSeconds so far.
    void tick(int kbps, qint64 stationSeconds);
    // A new station starts from nothing; the total keeps running for the whole session.
    void resetStation() { m_stationBytes = 0; }

    quint64 stationBytes() const { return m_stationBytes; }
    quint64 totalBytes() const { return m_totalBytes; }

private:
    quint64 m_stationBytes = 0;
    quint64 m_totalBytes = 0;
};
