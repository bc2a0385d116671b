#pragma once

// The main window's status bar: the status text (red while it reports an error), a warning that
// stays while its cause does (no sound device), the recording and stream-information labels, the
// four data and time counters and the sleep-timer label; the fields shown follow the
// StatusBarLabels option.
// GUI thread; owned by the main window.

#include <QStatusBar>

class QIcon;
class QLabel;

class PlayerStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // The counters in the order the playback controller reports them.
    enum Counter { StationData = 0, TotalData = 1, StationTime = 2, SongTime = 3, CounterCount };
    // The fields as bits of the StatusBarLabels option.
    enum Field {
        FieldRecording = 1,
        FieldStreamInfo = 2,
        FieldStationTime = 4,
        FieldSongTime = 8,
        FieldStationData = 16,
        FieldTotalData = 32
    };
    // The fields an option value stands for: 0 means every field but the stream information.
    static int fieldsShown(int option);

    explicit PlayerStatusBar(QWidget* parent = nullptr);

    QLabel* statusLabel() const { return m_labelStatus; }
    QLabel* counterLabel(int index) const { return m_counters[index]; }
    QLabel* warningLabel() const { return m_labelWarning; }
    QLabel* streamInfoLabel() const { return m_labelStatusInfo; }
    QLabel* recordingLabel() const { return m_labelRecording; }

    // Shows the fields of an option value and hides the others.
    void showFields(int option);
    // A warning that stays beside the status text until cleared with an empty text.
    void setWarning(const QString& text);

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
    // The file a running recording writes now.
    void showRecordingFile(const QString& fileName);
    // Bytes written and time recorded of the running recording.
    void setRecordingCounters(const QString& bytes, const QString& time);

private:
    QLabel* m_labelStatus;
    QLabel* m_labelWarning;
    QLabel* m_labelRecording;
    QLabel* m_labelRecordCounters;
    QLabel* m_labelStatusInfo;
    QLabel* m_counters[CounterCount];
    QLabel* m_labelSleep;
};
