#pragma once

// Schedules one station to play, or to record for some minutes, at a date and time: builds the
// program's command line for it and hands it to the system's scheduler as a one-time job that
// starts the program (or hands over to the running one). Also lists the program's jobs still
// waiting, so one can be removed. GUI thread; shown modally by its opener, on its stack.

#include "stations/preset.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QTimeEdit;

class ScheduleStationDlg : public QDialog {
    Q_OBJECT
public:
    enum StartAction { Record = 1, PlayOnly = 2 };
    // The longest recording a job may ask for, one day.
    static constexpr int MaxDurationMinutes = 24 * 60;

    ScheduleStationDlg(const Preset& station, QWidget* parent = nullptr);

    // The job's parameters for a station address and title, or an empty text with the reason
    // in error when they cannot be built (no address, a duration out of range).
    static QString buildParameters(const QString& url, const QString& title, int startAction,
                                   int durationMinutes, int endAction, QString* error);
    // The stream address a job plays: the first stream, else the first playlist address.
    static QString stationUrl(const Preset& station);

    QString statusText() const;

public slots:
    void accept() override;
    void slot_startActionChanged(int index);
    void slot_endActionChanged(int index);

private:
    void buildForm();
    void refreshJobs();
    void removeSelectedJob();
    void setStatus(const QString& text);

    Preset m_station;
    QLabel* m_lblHeading;
    QComboBox* m_cbFreq;
    QDateEdit* m_dtStart;
    QTimeEdit* m_tmStart;
    QComboBox* m_cbStartAction;
    QLabel* m_lblDuration;
    QLineEdit* m_teDuration;
    QLabel* m_lblEndAction;
    QComboBox* m_cbEndAction;
    QLabel* m_lblStatus;
    QListWidget* m_jobs;
};
