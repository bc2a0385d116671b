#include "qtext/schedule.h"

#include "qtext/textutil.h"

#include <QProcess>

namespace QT_EXT {

Schedule::Schedule(QObject* parent) : QObject(parent) {}

void Schedule::clear() {
    m_start = QDateTime();
    m_minutesDuration = 0;
    for (QString* text : {&m_taskName, &m_description, &m_creator, &m_userName, &m_password,
                          &m_workingFolder, &m_application, &m_parameters})
        text->clear();
}

void Schedule::setStart(const QDateTime& start) {
    const QTime t = start.time();
    m_start = QDateTime(start.date(), QTime(t.hour(), t.minute()), start.timeSpec());
}

QDateTime Schedule::end() const {
    return m_start.isValid() ? m_start.addSecs(qint64(m_minutesDuration) * 60) : QDateTime();
}

QString Schedule::generatedTaskName(const QDateTime& now) const {
    QString stamp = now.toString(Qt::TextDate);
    for (const QChar c : {u' ', u'/', u':', u'-'})
        stamp.replace(c, u'_');
    QString part = m_description.isEmpty() ? QStringLiteral("Unknown") : m_description;
    part.replace(u' ', u'_');
    const QString name = m_creator.isEmpty()
                             ? QStringLiteral("%1_%2").arg(part, stamp)
                             : QStringLiteral("%1_%2_%3").arg(m_creator, part, stamp);
    QString valid = validFileName(name);
    valid.remove(u'\\');
    valid.remove(u'.');
    return valid;
}

QStringList Schedule::parameterList() const {
    return QProcess::splitCommand(m_parameters);
}

} // namespace QT_EXT
