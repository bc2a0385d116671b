#include "bass/song.h"

#include "qtext/qttextparse.h"

#include <QCoreApplication>

namespace BASS {

using QT_EXT::QtTextParse;

void Song::Clear() {
    *this = Song();
}

QString Song::Text(Amps amps) const {
    QString text = m_title.isEmpty() ? m_artist : m_artist + QStringLiteral(" - ") + m_title;
    if (amps == Amps::Doubled)
        text.replace(u'&', QStringLiteral("&&"));
    return text;
}

void Song::SetText(const QString& text) {
    QtTextParse p(text);
    m_artist = p.readUpToText(QStringLiteral(" - "), Qt::CaseSensitive).trimmed();
    p.skipSpaces();
    p.skipOne(u'-');
    p.skipSpaces();
    m_title = p.rest().trimmed();
}

QString Song::TitleWithoutSuffix() const {
    qsizetype cut = -1;
    for (const QString& mark : {QStringLiteral("("), QStringLiteral(" '")}) {
        const qsizetype found = m_title.indexOf(mark);
        if (found > 0 && (cut < 0 || found < cut))
            cut = found;
    }
    return (cut < 0 ? m_title : m_title.left(cut)).trimmed();
}

QString Song::TimeText(TimeForm form) const {
    if (!m_time.isValid())
        return QString();
    if (form == TimeForm::Long)
        return m_time.toString(QStringLiteral("M/d/yyyy h:mm:ss AP"));
    return m_time.toString();
}

QString Song::StatusText(int status) {
    switch (status) {
    case StatusBassError:
        return QCoreApplication::translate("BASS::Song", "Bass error");
    case StatusTimedOut:
        return QCoreApplication::translate("BASS::Song", "Timed out");
    case StatusStopped:
        return QCoreApplication::translate("BASS::Song", "Stopped");
    case StatusBuffering:
        return QCoreApplication::translate("BASS::Song", "Buffering");
    case StatusPlaying:
        return QCoreApplication::translate("BASS::Song", "Playing");
    case StatusPaused:
        return QCoreApplication::translate("BASS::Song", "Paused");
    case StatusFinished:
    case StatusFinished2:
        return QCoreApplication::translate("BASS::Song", "Finished");
    case StatusRecording:
        return QCoreApplication::translate("BASS::Song", "Recording");
    case StatusRecorded:
        return QCoreApplication::translate("BASS::Song", "Recorded");
    case StatusSkipped:
        return QCoreApplication::translate("BASS::Song", "Skipped");
    default:
        return QString();
    }
}

} // namespace BASS
