#include "coverart/ccoverarthttp.h"

#include "bass/precondition.h"

#include <QDebug>
#include <QNetworkReply>
#include <QUrl>

using QT_EXT::QHttpExt;

CCoverArtHttp::CCoverArtHttp(QObject* parent) : QObject(parent), m_http(new QHttpExt(this)) {
    m_http->setBrowserHeaders(true);
    m_http->setRaw(true);
    connect(m_http, &QHttpExt::sig_Started, this, &CCoverArtHttp::slot_requestStarted);
    connect(m_http, &QHttpExt::sig_Finished, this, &CCoverArtHttp::slot_requestFinished);
}

CCoverArtHttp::~CCoverArtHttp() {
    disconnect(m_http, nullptr, this, nullptr);
    for (const Pending& pending : std::as_const(m_records))
        delete pending.info;
}

int CCoverArtHttp::get(const QString& surl, const QString& filename, const QString& userAgent,
                       qint64 maxBytes) {
    BASS_REQUIRE(!surl.isEmpty(), 0);
    auto* info = new httpInfo;
    info->url = surl;
    info->id = m_nextId++;
    if (send(surl, filename, userAgent, maxBytes) == 0) {
        delete info;
        return 0;
    }
    m_records[m_started].info = info;
    m_started = nullptr;
    return info->id;
}

int CCoverArtHttp::send(const QString& url, const QString& filename, const QString& userAgent,
                        qint64 maxBytes) {
    m_started = nullptr;
    m_http->setUserAgent(userAgent);
    m_http->setLimits(m_timeoutMs, maxBytes);
    const int clientId = filename.isEmpty() ? m_http->get(url, false)
                                            : m_http->download(url, filename, false, true);
    if (clientId == 0 || !m_started) {
        m_http->setUserAgent(QString());
        return 0;
    }
    Pending& pending = m_records[m_started];
    pending.filename = filename;
    pending.userAgent = userAgent;
    pending.maxBytes = maxBytes;
    return clientId;
}

void CCoverArtHttp::slot_requestStarted(const QHttpExt::httpInfo* request) {
    m_started = request;
}

bool CCoverArtHttp::slot_Redirect(httpInfo* info, const QHttpExt::httpInfo* request,
                                  const Pending& leg) {
    const QString location =
        request->reply ? QString::fromUtf8(request->reply->rawHeader("Location")) : QString();
    if (location.isEmpty()) {
        qDebug() << "CCoverArtHttp::slot_Redirect - nothing found";
        return false;
    }
    const QString target = QUrl(request->url).resolved(QUrl(location)).toString();
    qDebug().noquote() << "CCoverArtHttp::slot_Redirect redirecting url: " + target;
    if (leg.ownRedirects >= MaxRedirects) {
        info->error = true;
        info->errorText = tr("Too many redirections");
        return false;
    }
    const int clientId = send(target, leg.filename, leg.userAgent, leg.maxBytes);
    if (clientId == 0)
        return false;
    Pending& next = m_records[m_started];
    next.info = info;
    next.ownRedirects = leg.ownRedirects + 1;
    m_started = nullptr;
    info->redirected = true;
    info->redirectCount += 1;
    info->nextId = clientId;
    info->url = target;
    qDebug() << "CCoverArtHttp::slot_Redirect new id: " << clientId;
    qDebug() << "CCoverArtHttp::slot_Redirect redirect count: " << info->redirectCount;
    return true;
}

void CCoverArtHttp::slot_requestFinished(const QHttpExt::httpInfo* request) {
    const auto found = m_records.constFind(request);
    if (found == m_records.cend())
        return;
    const Pending leg = *found;
    m_records.erase(found);
    httpInfo* info = leg.info;
    if (!info)
        return;
    info->redirectCount += request->redirects;
    info->redirected = info->redirected || request->redirects > 0;
    if (!request->error && slot_Redirect(info, request, leg))
        return;
    if (!info->error) {
        info->error = request->error;
        info->errorText = request->errorString;
    }
    if (!info->error)
        info->data = request->data;
    emit sig_Finished(info);
    emit sig_coverArtFinished(info->id, info->error);
    delete info;
}
