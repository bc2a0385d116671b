#pragma once

// One one-time job of the operating system's scheduler: when it starts, the program it runs with
// which parameters, and the name it is known by. Any thread; owned by whoever schedules.

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

namespace QT_EXT {

class Schedule : public QObject {
    Q_OBJECT
public:
    explicit Schedule(QObject* parent = nullptr);

    // Back to the state after construction: no start, all texts empty, no duration.
    void clear();

    QDateTime start() const { return m_start; }
    // Local time; only the minute counts, as a job fires at the start of a minute.
    void setStart(const QDateTime& start);
    int minutesDuration() const { return m_minutesDuration; }
    void setMinutesDuration(int minutes) { m_minutesDuration = minutes; }
    // The start plus the duration; invalid without a start.
    QDateTime end() const;

    // The name a new job gets when none is set: creator, description (or "Unknown") and the
    // current time, joined by "_", made safe for a file name without "\" and ".".
    QString generatedTaskName(const QDateTime& now = QDateTime::currentDateTime()) const;
    // The parameters split as a shell would split them, double quotes grouping blanks.
    QStringList parameterList() const;

    QString m_taskName;
    QString m_description;
    QString m_creator;
    QString m_userName; // not used on Linux: jobs run as the user who creates them
    QString m_password; // not used on Linux
    QString m_workingFolder;
    QString m_application;
    QString m_parameters;

private:
    QDateTime m_start;
    int m_minutesDuration = 0;
};

} // namespace QT_EXT
