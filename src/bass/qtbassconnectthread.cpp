#include "bass/qtbassconnectthread.h"

#include "bass/bassqt.h"
#include "bass/precondition.h"

#include <QDebug>

namespace BASS {

QtBassConnectThread::QtBassConnectThread(BassQt* stream, QObject* parent)
    : QThread(parent), m_stream(stream) {
    qDebug() << "QtBassConnectThread()";
    connect(this, &QThread::finished, this, &QtBassConnectThread::slot_Finished);
}

QtBassConnectThread::~QtBassConnectThread() {
    qDebug() << "~QtBassConnectThread()";
}

void QtBassConnectThread::Abort() {
    if (!isRunning())
        return;
    m_aborted = true;
    if (m_stream)
        m_stream->SetAbort();
}

void QtBassConnectThread::slot_Finished() {
    emit signal_Finished(m_stream);
}

void QtBassConnectThread::StartConnect() {
    if (isRunning())
        return;
    m_aborted = false;
    if (m_stream)
        m_stream->ClearAbort();
    start(QThread::InheritPriority);
}

void QtBassConnectThread::run() {
    BASS_REQUIRE_TEXT(m_stream, "stream", );
    const QStringList urls = m_stream->URLs();
    if (!urls.isEmpty())
        m_stream->OpenURLs(urls, m_reverse);
    else
        m_stream->OpenURL(m_stream->GetStation().m_url, 0);
    m_reverse = false;
}

} // namespace BASS
