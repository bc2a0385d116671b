#pragma once

// The cover-art lookup's own HTTP client on the program's one (QHttpExt): numbered GET requests
// with browser headers, answers kept in memory up to a size limit or written to a file, a time
// limit per request, and a record per request that survives redirects, including those the
// client leaves alone (a 308, or a "Location" on another status), which are followed here.
// GUI thread; owned by the cover-art lookup.

#include "qtext/qhttpext.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

class CCoverArtHttp : public QObject {
    Q_OBJECT
public:
    class httpInfo {
    public:
        int id = 0;
        bool error = false;
        QString errorText;
        QByteArray data;
        QString url;
        bool redirected = false;
        int redirectCount = 0;
        int nextId = 0; // the client's request that continues this one after a redirect
    };

    // Follow-ups of our own after the client's redirects; a longer chain is an error.
    static constexpr int MaxRedirects = 5;
    static constexpr int DefaultTimeoutMs = 15000;
    static constexpr qint64 DefaultMaxBytes = 1024 * 1024;

    explicit CCoverArtHttp(QObject* parent = nullptr);
    ~CCoverArtHttp() override;

    // Sends a GET; with a file name the answer goes to that file. userAgent empty: the browser's.
    // Returns the request id, 0 when nothing was sent.
    int get(const QString& surl, const QString& filename = QString(),
            const QString& userAgent = QString(), qint64 maxBytes = DefaultMaxBytes);
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    void setProxy(const QNetworkProxy& proxy) { m_http->setProxy(proxy); }
    // Every request ends now, as an error.
    void abortAll() { m_http->abortAll(); }
    int pendingCount() const { return static_cast<int>(m_records.size()); }

signals:
    void sig_Finished(const CCoverArtHttp::httpInfo* info);
    void sig_coverArtFinished(int id, bool error);

private slots:
    void slot_requestStarted(const QT_EXT::QHttpExt::httpInfo* request);
    void slot_requestFinished(const QT_EXT::QHttpExt::httpInfo* request);

private:
    // One request of the client on behalf of a record (several after redirects of our own).
    struct Pending {
        httpInfo* info = nullptr;
        QString filename;
        QString userAgent;
        qint64 maxBytes = 0;
        int ownRedirects = 0;
    };

    // True when the answer names another address and a request for it was sent.
    bool slot_Redirect(httpInfo* info, const QT_EXT::QHttpExt::httpInfo* request,
                       const Pending& leg);
    int send(const QString& url, const QString& filename, const QString& userAgent,
             qint64 maxBytes);

    QT_EXT::QHttpExt* m_http;
    int m_timeoutMs = DefaultTimeoutMs;
    int m_nextId = 1;
    const QT_EXT::QHttpExt::httpInfo* m_started = nullptr; // set while a request is being sent
    QHash<const QT_EXT::QHttpExt::httpInfo*, Pending> m_records; // records owned
};
