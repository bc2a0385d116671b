// A scheduled job's texts (program, parameters, task name, description, folder, creator, and a
// desktop variable), separated by zero bytes, turned into the job's name, parameter list, "at"
// script and systemd-run arguments.
#include "fuzzinput.h"
#include "qtext/schedule.h"
#include "qtext/taskscheduler.h"

#include <QProcessEnvironment>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QByteArray> fields = fuzz::bytes(data, size).split('\0');
    const auto field = [&fields](qsizetype i) {
        return i < fields.size() ? QString::fromUtf8(fields.at(i)) : QString();
    };
    QT_EXT::Schedule schedule;
    schedule.m_application = field(0);
    schedule.m_parameters = field(1);
    schedule.m_taskName = field(2);
    schedule.m_description = field(3);
    schedule.m_workingFolder = field(4);
    schedule.m_creator = field(5);
    schedule.setStart(QDateTime(QDate(2026, 12, 6), QTime(4, 30)));
    schedule.setMinutesDuration(fields.size());
    QProcessEnvironment env;
    env.insert(QStringLiteral("DISPLAY"), field(6));
    schedule.parameterList();
    schedule.generatedTaskName(QDateTime(QDate(2026, 12, 6), QTime(4, 0)));
    QT_EXT::TaskScheduler::jobName(schedule.m_taskName);
    QT_EXT::TaskScheduler::atScript(schedule, env);
    QT_EXT::TaskScheduler::systemdRunArguments(schedule, env);
    return 0;
}
