#include "qtext/taskscheduler.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace QT_EXT {

namespace {

// Every job of ours starts with this line (at) or has this unit prefix (systemd), which is how
// our jobs are told from other programs' jobs.
const QString AtMarker = QStringLiteral("# Quillowave job: ");
const QString UnitPrefix = QStringLiteral("quillowave-");
const int ToolTimeoutMs = 10000;

QString shellQuoted(const QString& text) {
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace

TaskScheduler::TaskScheduler(QObject* parent) : TaskScheduler(detectMechanism(), parent) {}

TaskScheduler::TaskScheduler(Mechanism mechanism, QObject* parent)
    : QObject(parent), m_mechanism(mechanism) {}

TaskScheduler::Mechanism TaskScheduler::detectMechanism() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool userManager =
        !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/systemd/private"));
    if (userManager && !QStandardPaths::findExecutable(QStringLiteral("systemd-run")).isEmpty())
        return Mechanism::SystemdUser;
    return Mechanism::At;
}

QString TaskScheduler::jobName(const QString& taskName) {
    QString name = taskName;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return name;
}

QStringList TaskScheduler::desktopVariables(const QProcessEnvironment& env) {
    static const char* const names[] = {"DISPLAY",
                                        "WAYLAND_DISPLAY",
                                        "XAUTHORITY",
                                        "XDG_RUNTIME_DIR",
                                        "DBUS_SESSION_BUS_ADDRESS",
                                        "XDG_CONFIG_HOME",
                                        "XDG_DATA_HOME",
                                        "XDG_CACHE_HOME"};
    QStringList set;
    for (const char* name : names) {
        const QString key = QString::fromLatin1(name);
        if (env.contains(key))
            set << key + u'=' + env.value(key);
    }
    return set;
}

QString TaskScheduler::atScript(const Schedule& schedule, const QProcessEnvironment& env) {
    QString script = AtMarker + schedule.m_taskName + u'\n';
    for (const QString& assignment : desktopVariables(env)) {
        const qsizetype eq = assignment.indexOf(u'=');
        script += QStringLiteral("export %1=%2\n")
                      .arg(assignment.left(eq), shellQuoted(assignment.mid(eq + 1)));
    }
    QStringList command{shellQuoted(schedule.m_application)};
    for (const QString& parameter : schedule.parameterList())
        command << shellQuoted(parameter);
    script += QStringLiteral("exec %1 >/dev/null 2>&1\n").arg(command.join(u' '));
    return script;
}

QStringList TaskScheduler::systemdRunArguments(const Schedule& schedule,
                                               const QProcessEnvironment& env) {
    QStringList args{QStringLiteral("--user"),
                     QStringLiteral("--unit=") + UnitPrefix + schedule.m_taskName,
                     QStringLiteral("--on-calendar=") +
                         schedule.start().toString(QStringLiteral("yyyy-MM-dd HH:mm:00")),
                     QStringLiteral("--timer-property=AccuracySec=1s")};
    if (!schedule.m_description.isEmpty())
        args << QStringLiteral("--description=") + schedule.m_description;
    for (const QString& assignment : desktopVariables(env))
        args << QStringLiteral("--setenv=") + assignment;
    args << QStringLiteral("--") << schedule.m_application << schedule.parameterList();
    return args;
}

bool TaskScheduler::fail(const QString& text) {
    m_lastError = text;
    qDebug() << "TaskScheduler" << text;
    return false;
}

TaskScheduler::ToolResult TaskScheduler::runTool(const QString& program,
                                                 const QStringList& arguments,
                                                 const QByteArray& input) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(ToolTimeoutMs)) {
        fail(tr("%1 is not available: %2").arg(program, process.errorString()));
        return {};
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(ToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        fail(tr("%1 did not answer").arg(program));
        return {};
    }
    const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        fail(output.isEmpty() ? tr("%1 failed").arg(program) : output);
        return {false, output};
    }
    return {true, output};
}

bool TaskScheduler::checkSchedule(const Schedule& schedule) {
    if (schedule.m_application.isEmpty())
        return fail(tr("Failed to set application name"));
    if (!schedule.start().isValid())
        return fail(tr("No start time is set"));
    if (schedule.start() <= QDateTime::currentDateTime())
        return fail(tr("The start time has already passed"));
    return true;
}

bool TaskScheduler::CreateTask(Schedule& schedule) {
    m_lastError.clear();
    if (!checkSchedule(schedule))
        return false;
    schedule.m_taskName =
        jobName(schedule.m_taskName.isEmpty() ? schedule.generatedTaskName() : schedule.m_taskName);
    return m_mechanism == Mechanism::At ? createAtJob(schedule) : createSystemdJob(schedule);
}

bool TaskScheduler::createAtJob(const Schedule& schedule) {
    const QString when = schedule.start().toString(QStringLiteral("yyyyMMddHHmm"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    return runTool(QStringLiteral("at"), {QStringLiteral("-t"), when},
                   atScript(schedule, env).toLocal8Bit())
        .ok;
}

bool TaskScheduler::createSystemdJob(const Schedule& schedule) {
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    return runTool(QStringLiteral("systemd-run"), systemdRunArguments(schedule, env)).ok;
}

QList<QPair<QString, QString>> TaskScheduler::ownAtJobs() {
    QList<QPair<QString, QString>> jobs;
    const ToolResult queue = runTool(QStringLiteral("atq"), {});
    if (!queue.ok)
        return jobs;
    for (const QString& line : queue.output.split(u'\n', Qt::SkipEmptyParts)) {
        const QString id = line.section(QRegularExpression(QStringLiteral("\\s+")), 0, 0);
        const ToolResult job = runTool(QStringLiteral("at"), {QStringLiteral("-c"), id});
        const qsizetype at = job.output.indexOf(AtMarker);
        if (!job.ok || at < 0)
            continue;
        const qsizetype start = at + AtMarker.size();
        jobs.append({id, job.output.mid(start, job.output.indexOf(u'\n', start) - start)});
    }
    m_lastError.clear();
    return jobs;
}

QStringList TaskScheduler::ListTasks() {
    m_lastError.clear();
    QStringList names;
    if (m_mechanism == Mechanism::At) {
        for (const auto& job : ownAtJobs())
            names << job.second;
        return names;
    }
    const ToolResult timers =
        runTool(QStringLiteral("systemctl"),
                {QStringLiteral("--user"), QStringLiteral("list-timers"), QStringLiteral("--all"),
                 QStringLiteral("--no-legend"), QStringLiteral("--plain")});
    static const QRegularExpression unit(QStringLiteral("\\b") + UnitPrefix +
                                         QStringLiteral("([A-Za-z0-9_-]+)\\.timer\\b"));
    for (auto it = unit.globalMatch(timers.output); it.hasNext();)
        names << it.next().captured(1);
    return names;
}

bool TaskScheduler::DeleteTask(const QString& name) {
    m_lastError.clear();
    if (name.isEmpty())
        return fail(tr("Failed to set task name"));
    if (m_mechanism == Mechanism::SystemdUser)
        return runTool(QStringLiteral("systemctl"),
                       {QStringLiteral("--user"), QStringLiteral("stop"),
                        UnitPrefix + jobName(name) + QStringLiteral(".timer")})
            .ok;
    for (const auto& job : ownAtJobs()) {
        if (job.second == name)
            return runTool(QStringLiteral("atrm"), {job.first}).ok;
    }
    return fail(tr("There is no scheduled task named %1").arg(name));
}

bool TaskScheduler::ReplaceTask(Schedule& schedule) {
    if (!schedule.m_taskName.isEmpty() && ListTasks().contains(schedule.m_taskName))
        DeleteTask(schedule.m_taskName);
    return CreateTask(schedule);
}

} // namespace QT_EXT
