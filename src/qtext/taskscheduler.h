#pragma once

// Creates, lists and deletes the program's own one-time jobs in the system's scheduler: a
// transient timer of the user's systemd manager where one runs, else an `at` job. A job starts
// the application with the schedule's parameters at the schedule's local start time and carries
// what it needs to reach the user's desktop (display, runtime folder, session bus). Jobs of other
// programs are never listed or touched. GUI thread (runs the scheduler's tools synchronously,
// each bounded by a time-out); owned by its caller.

#include "qtext/schedule.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace QT_EXT {

class TaskScheduler : public QObject {
    Q_OBJECT
public:
    enum class Mechanism { SystemdUser, At };

    // Uses the user's systemd manager when it runs, else `at`.
    explicit TaskScheduler(QObject* parent = nullptr);
    TaskScheduler(Mechanism mechanism, QObject* parent = nullptr);

    static Mechanism detectMechanism();
    Mechanism mechanism() const { return m_mechanism; }

    // Creates the job; generates and stores the task name when the schedule has none.
    bool CreateTask(Schedule& schedule);
    // Deletes the program's own job of that name.
    bool DeleteTask(const QString& name);
    // Deletes the job of the schedule's name (if there is one), then creates it anew.
    bool ReplaceTask(Schedule& schedule);
    // Names of the program's own jobs that are still waiting.
    QStringList ListTasks();
    QString lastError() const { return m_lastError; }

    // What a job is built from, public so that each can be checked on its own.
    static QString jobName(const QString& taskName);
    static QString atScript(const Schedule& schedule, const QProcessEnvironment& env);
    static QStringList systemdRunArguments(const Schedule& schedule,
                                           const QProcessEnvironment& env);
    // The variables a job carries, with their values in env (unset ones left out).
    static QStringList desktopVariables(const QProcessEnvironment& env);

private:
    struct ToolResult {
        bool ok = false;
        QString output;
    };
    ToolResult runTool(const QString& program, const QStringList& arguments,
                       const QByteArray& input = QByteArray());
    bool checkSchedule(const Schedule& schedule);
    bool createAtJob(const Schedule& schedule);
    bool createSystemdJob(const Schedule& schedule);
    // at job number → task name, for the program's own jobs only.
    QList<QPair<QString, QString>> ownAtJobs();
    bool fail(const QString& text);

    Mechanism m_mechanism;
    QString m_lastError;
};

} // namespace QT_EXT
