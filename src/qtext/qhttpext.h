#pragma once

// The one HTTP/HTTPS client of the program: numbered requests with records, redirects followed
// by hand, downloads straight to a file, form posts, start/progress/end signals.
// GUI thread; owned by whoever creates it (usually as a QObject child).

#include <QAuthenticator>
#include <QByteArray>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMessageBox>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class QFile;
class QNetworkAccessManager;
class QNetworkRequest;
class QPixmap;

namespace QT_EXT {

class QHttpExt : public QObject {
    Q_OBJECT
public:
    // The record of one request; lives from the send until the clean-up after its sig_Finished.
    class httpInfo {
    public:
        httpInfo(QFile* targetFile, bool showErrorBoxes, bool rawOnly);
        ~httpInfo();
        httpInfo(const httpInfo&) = delete;
        httpInfo& operator=(const httpInfo&) = delete;

        QFile* file = nullptr; // owned; target of a download to disk
        int id = 0;
        bool error = false;
        bool raw = false;
        bool finished = false;
        bool showErrors = false;
        QString url;
        QString text;
        QString errorString;
        QByteArray data;
        QString nextUrl;
        int redirects = 0; // redirects followed so far
        QNetworkReply* reply = nullptr; // owned; released with deleteLater
    };

    // Form fields in the order they are sent.
    using FormFields = QList<std::pair<QString, QString>>;

    static constexpr const char* DefaultUserAgent =
        "Mozilla/5.0 (Windows; U; Windows NT 6.0; en-US; rv:1.9.2.3) Gecko/20100401 "
        "Firefox/3.6.3";

    explicit QHttpExt(QObject* parent = nullptr);
    ~QHttpExt() override;

    // Each returns the request id, or 0 when nothing was sent.
    int get(const QString& url, bool showErrors = true);
    int get(const QString& url, const QMap<QString, QString>& parameters, bool showErrors = true);
    int post(const QString& url, const QMap<QString, QString>& parameters, bool showErrors = true);
    int post(const QString& url, const FormFields& fields, bool showErrors = true);
    int download(const QString& url, const QString& fileName, bool showErrors = true,
                 bool overwrite = false, qint64 resumeFrom = 0);

    // Fetches an image on a private network manager inside a local event loop (other events
    // are delivered meanwhile). Returns whether a request was made.
    bool getPixmapSync(const QString& url, QPixmap& pixmap);

    // Every unfinished request ends with QNetworkReply::OperationCanceledError.
    void abortAll();

    httpInfo* getInfo(int id) const;
    httpInfo* getInfo(const QNetworkReply* reply) const;
    bool removeInfo(int id);
    bool removeInfo(httpInfo* info);
    int pendingCount() const;

    // Per-request user agent (cleared when a request finishes) and the object-wide default.
    // The post body and the range of a resumed download belong to the one request they were
    // made for: they are taken when it is sent, so concurrent requests never inherit them.
    void setUserAgent(const QString& agent) { m_userAgent = agent; }
    void setDefaultUserAgent(const QString& agent) { m_defaultUserAgent = agent; }
    void setRaw(bool raw) { m_raw = raw; }
    void setBrowserHeaders(bool on) { m_browserHeaders = on; }
    void setSilentSSL(bool silent) { m_silentSSL = silent; }
    // Limits of the requests sent from now on (0: none): a whole request, redirects included,
    // ends with an error after timeoutMs, and an answer kept in memory after maxBytes.
    void setLimits(int timeoutMs, qint64 maxBytes);
    void setProxy(const QNetworkProxy& proxy);
    QNetworkProxy proxy() const { return m_proxy; }
    void setAuthenticator(const QAuthenticator& authenticator);
    void clearAuthenticator();
    QString lastError() const { return m_lastError; }
    bool isCancelled() const { return m_cancelled; }

    // Extra CA certificates trusted by every object of the process for https.
    static void addCaCertificates(const QList<QSslCertificate>& certificates);
    static QList<QSslCertificate> caCertificates();

    static QString errorText(QNetworkReply::NetworkError code);
    static int requestId(const QString& url, int millisecond);
    // "a=b&c=d" with only "&" and "?" of each value encoded (query of get with parameters).
    static QByteArray queryString(const QMap<QString, QString>& parameters);
    // The same pairing with every value fully percent-encoded (form body of post).
    static QByteArray formBody(const QMap<QString, QString>& parameters);
    static QByteArray formBody(const FormFields& fields);
    static FormFields formFields(const QMap<QString, QString>& parameters);

signals:
    void sig_Initializing(QNetworkRequest& request);
    void sig_Started(const QT_EXT::QHttpExt::httpInfo* info);
    void sig_Finished(const QT_EXT::QHttpExt::httpInfo* info);
    void sig_ReadProgress(qint64 received, qint64 total);

public slots:
    void slot_replyFinished(QNetworkReply* reply);
    void slot_ReadyRead();
    void slot_Error(QNetworkReply::NetworkError code);
    void slot_NAM_sslErrors(QNetworkReply* reply, const QList<QSslError>& errors);
    void slot_SSLErrors(const QList<QSslError>& errors);
    void slot_authenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator);
    void slot_proxyAuthenticationRequired(const QNetworkProxy& proxy,
                                          QAuthenticator* authenticator);
    void slot_readProgress64(qint64 received, qint64 total);
    void slot_downloadImageFinished(QNetworkReply* reply);

protected:
    // User interaction, overridable so that a caller without a screen (and the tests) can
    // answer. The defaults show application-modal message boxes and the credentials dialog.
    virtual void showMessage(const QString& title, const QString& text,
                             const QString& informative = {},
                             QMessageBox::Icon icon = QMessageBox::Warning);
    virtual bool askOverwrite(const QString& fileName);
    // Fills user and password; returns false when the user cancelled.
    virtual bool askCredentials(const QString& realm, const QString& site,
                                QAuthenticator* authenticator);

private:
    int send(const QString& url, QFile* file, bool showErrors, httpInfo* reissued);
    void finishRecord(httpInfo* info, QNetworkReply* reply);
    void failRecord(httpInfo* info, const QString& errorString);
    void completeRecord(httpInfo* info);
    void forgetRecord(const httpInfo* info);
    bool isFollowedRedirect(const httpInfo* info, QNetworkReply* reply) const;
    QString redirectTarget(QNetworkReply* reply) const;
    void deleteFinishedRecords();
    void writeAvailable(httpInfo* info, QNetworkReply* reply);

    QNetworkAccessManager* m_nam = nullptr;
    QNetworkReply* m_currentReply = nullptr;
    QString m_lastError;
    QString m_userAgent;
    QString m_defaultUserAgent;
    QByteArray m_postBody;
    QString m_range;
    bool m_cancelled = false;
    bool m_raw = false;
    bool m_overwrite = false;
    bool m_browserHeaders = false;
    bool m_silentSSL = false;
    QHash<const QNetworkReply*, httpInfo*> m_replyMap;
    QList<httpInfo*> m_list;
    QNetworkProxy m_proxy;
    std::unique_ptr<QAuthenticator> m_authenticator;
    QPixmap* m_pixmapTarget = nullptr;
    QStringList m_acceptedSslKeys;
    // What a record needs to be sent again after a redirect.
    struct RequestState {
        QByteArray postBody;
        QString range;
        int redirects = 0;
        QDeadlineTimer deadline{QDeadlineTimer::Forever};
        qint64 maxBytes = 0;
        QString limitError; // why a limit ended the request
    };
    void enforceLimits(QNetworkReply* reply, const RequestState& state);
    void endByLimit(httpInfo* info, QNetworkReply* reply, const QString& error);
    int m_timeoutMs = 0;
    qint64 m_maxBytes = 0;
    QHash<const httpInfo*, RequestState> m_requestState;
};

} // namespace QT_EXT
