#pragma once

// The main window's status bar: the status text (red while it reports an error), the recording
// and stream-information labels, the four data and time counters and the sleep-timer label.
// GUI thread; owned by the main window.

#include <QStatusBar>

class QIcon;
class QLabel;

class PlayerStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // The counters in the order the playback controller reports them.
    enum Counter { StationData = 0, TotalData = 1, StationTime = 2, SongTime = 3, CounterCount };

    explicit PlayerStatusBar(QWidget* parent = nullptr);

    QLabel* statusLabel() const { return m_labelStatus; }
    QLabel* counterLabel(int index) const { return m_counters[index]; }

    void setStatusText(const QString& text);
    // Shows the text in red with itself as the tool tip, until clearError.
    void showError(const QString& text);
    void clearError();
    void showStreamInfo(const QString& text);
    void setCounters(const QString& stationData, const QString& totalData,
                     const QString& stationTime, const QString& songTime);
    // Empties the counters and gives each its tool tip.
    void resetCounters();
    // The sleep label, hidden while the text is empty.
    void setSleepText(const QString& text, const QString& toolTip);
    // The recording label: the record icon with the file as tool tip, or nothing (null icon).
    void showRecording(const QIcon& icon, const QString& fileName);
    // Bytes written and time recorded of the running recording.
    void setRecordingCounters(const QString& bytes, const QString& time);

private:
    QLabel* m_labelStatus;
    QLabel* m_labelRecording;
    QLabel* m_labelRecordCounters;
    QLabel* m_labelStatusInfo;
    QLabel* m_counters[CounterCount];
    QLabel* m_labelSleep;
};
