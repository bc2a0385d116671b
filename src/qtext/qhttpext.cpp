#include "qtext/qhttpext.h"

#include "qtext/textutil.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPixmap>
#include <QPointer>
#include <QSslConfiguration>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace QT_EXT {

namespace {

// A server bouncing a request between addresses must not keep it alive for ever.
constexpr int MaxRedirects = 20;
// The synchronous image fetch blocks its caller; a silent server must not hold it for ever.
constexpr int PixmapTimeoutMs = 30000;

QMutex g_caMutex;
QList<QSslCertificate> g_caCertificates; // guarded by g_caMutex

bool haveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QUrl parseUrl(const QString& url) {
    // Addresses that already carry percent-encodings must not be encoded a second time.
    if (url.contains(QLatin1Char('%')))
        return QUrl::fromEncoded(url.toUtf8());
    return QUrl(url);
}

QByteArray joinPairs(const QHttpExt::FormFields& parameters,
                     QByteArray (*encodeValue)(const QString&)) {
    QByteArray out;
    for (const auto& [key, value] : parameters) {
        if (key.isEmpty())
            continue;
        if (!out.isEmpty())
            out += '&';
        out += key.toUtf8() + '=' + encodeValue(value);
    }
    return out;
}

QByteArray encodeQueryValue(const QString& value) {
    QByteArray bytes = value.toUtf8();
    bytes.replace('&', "%26");
    bytes.replace('?', "%3F");
    return bytes;
}

QByteArray encodeFormValue(const QString& value) {
    return QUrl::toPercentEncoding(value);
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307;
}

} // namespace

QHttpExt::httpInfo::httpInfo(QFile* targetFile, bool showErrorBoxes, bool rawOnly)
    : file(targetFile), raw(rawOnly), showErrors(showErrorBoxes) {}

QHttpExt::httpInfo::~httpInfo() {
    // A target still open never received its whole body: no partial file stays behind.
    if (file && file->isOpen()) {
        file->close();
        file->remove();
    }
    delete file;
    if (reply) {
        // The reply may be in the middle of emitting its own signals: let the event loop end it.
        reply->disconnect();
        reply->deleteLater();
    }
}

QHttpExt::QHttpExt(QObject* parent) : QObject(parent), m_nam(new QNetworkAccessManager(this)) {
    connect(m_nam, &QNetworkAccessManager::finished, this, &QHttpExt::slot_replyFinished);
    connect(m_nam, &QNetworkAccessManager::sslErrors, this, &QHttpExt::slot_NAM_sslErrors);
    connect(m_nam, &QNetworkAccessManager::authenticationRequired, this,
            &QHttpExt::slot_authenticationRequired);
    connect(m_nam, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &QHttpExt::slot_proxyAuthenticationRequired);
}

QHttpExt::~QHttpExt() {
    m_nam->disconnect(this);
    qDeleteAll(m_list);
    m_list.clear();
    m_replyMap.clear();
}

void QHttpExt::setProxy(const QNetworkProxy& proxy) {
    m_proxy = proxy;
    if (m_proxy.type() == QNetworkProxy::DefaultProxy)
        m_proxy.setType(QNetworkProxy::HttpProxy);
}

void QHttpExt::setAuthenticator(const QAuthenticator& authenticator) {
    m_authenticator = std::make_unique<QAuthenticator>(authenticator);
}

void QHttpExt::clearAuthenticator() {
    m_authenticator.reset();
}

void QHttpExt::addCaCertificates(const QList<QSslCertificate>& certificates) {
    QMutexLocker lock(&g_caMutex);
    g_caCertificates += certificates;
}

QList<QSslCertificate> QHttpExt::caCertificates() {
    QMutexLocker lock(&g_caMutex);
    return g_caCertificates;
}

QString QHttpExt::errorText(QNetworkReply::NetworkError code) {
    switch (static_cast<int>(code)) {
    case 1:
        return tr("The remote server refused the connection (the server is not accepting "
                  "requests)");
    case 2:
        return tr("The remote server closed the connection prematurely, before the entire reply "
                  "was received and processed");
    case 3:
        return tr("The remote host name was not found (invalid hostname)");
    case 4:
        return tr("The connection to the remote server timed out");
    case 5:
        return tr("The operation was canceled via calls to abort() or close() before it was "
                  "finished.");
    case 6:
        return tr("The SSL/TLS handshake failed and the encrypted channel could not be "
                  "established. The sslErrors() signal should have been emitted.");
    case 99:
        return tr("An unknown network-related error was detected");
    case 101:
        return tr("The connection to the proxy server was refused (the proxy server is not "
                  "accepting requests)");
    case 102:
        return tr("The proxy server closed the connection prematurely, before the entire reply "
                  "was received and processed");
    case 103:
        return tr("The proxy host name was not found (invalid proxy hostname)");
    case 104:
        return tr("The connection to the proxy timed out or the proxy did not reply in time to "
                  "the request sent");
    case 105:
        return tr("The proxy requires authentication in order to honour the request but did not "
                  "accept any credentials offered (if any)");
    case 199:
        return tr("An unknown proxy-related error was detected");
    case 201:
        return tr("The access to the remote content was denied (similar to HTTP error 401)");
    case 202:
        return tr("The operation requested on the remote content is not permitted");
    case 203:
        return tr("The remote content was not found at the server (similar to HTTP error 404)");
    case 204:
        return tr("The remote server requires authentication to serve the content but the "
                  "credentials provided were not accepted (if any)");
    case 205:
        return tr("The request needed to be sent again, but this failed for example because the "
                  "upload data could not be read a second time.");
    case 299:
        return tr("An unknown error related to the remote content was detected");
    case 301:
        return tr("The Network Access API cannot honor the request because the protocol is not "
                  "known.\nPlease go to settings and check 'Use old but compatible network "
                  "library' if this problem persists.");
    case 302:
        return tr("The requested operation is invalid for this protocol");
    case 399:
        return tr("A breakdown in protocol was detected (parsing error, invalid or unexpected "
                  "responses, etc.)");
    default:
        return {};
    }
}

int QHttpExt::requestId(const QString& url, int millisecond) {
    return static_cast<int>(stringHash(url) + static_cast<quint32>(millisecond));
}

QHttpExt::FormFields QHttpExt::formFields(const QMap<QString, QString>& parameters) {
    FormFields fields;
    for (auto it = parameters.cbegin(); it != parameters.cend(); ++it)
        fields.append({it.key(), it.value()});
    return fields;
}

QByteArray QHttpExt::queryString(const QMap<QString, QString>& parameters) {
    return joinPairs(formFields(parameters), encodeQueryValue);
}

QByteArray QHttpExt::formBody(const QMap<QString, QString>& parameters) {
    return formBody(formFields(parameters));
}

QByteArray QHttpExt::formBody(const FormFields& fields) {
    return joinPairs(fields, encodeFormValue);
}

int QHttpExt::get(const QString& url, bool showErrors) {
    return send(url, nullptr, showErrors, nullptr);
}

int QHttpExt::get(const QString& url, const QMap<QString, QString>& parameters, bool showErrors) {
    QString full = url;
    if (!full.contains(QLatin1Char('?')))
        full += QLatin1Char('?');
    full += QString::fromUtf8(queryString(parameters));
    return get(full, showErrors);
}

int QHttpExt::post(const QString& url, const QMap<QString, QString>& parameters, bool showErrors) {
    return post(url, formFields(parameters), showErrors);
}

int QHttpExt::post(const QString& url, const FormFields& fields, bool showErrors) {
    m_postBody = formBody(fields);
    return get(url, showErrors);
}

int QHttpExt::download(const QString& url, const QString& fileName, bool showErrors, bool overwrite,
                       qint64 resumeFrom) {
    if (url.isEmpty() || fileName.isEmpty())
        return 0;
    // A bad address must not cost the user the file already on disk.
    if (!parseUrl(url).isValid())
        return send(url, nullptr, showErrors, nullptr);
    m_overwrite = overwrite;
    if (!QFile::exists(fileName) || resumeFrom < 0)
        resumeFrom = 0;
    if (resumeFrom == 0 && QFile::exists(fileName)) {
        if (!m_overwrite && !askOverwrite(fileName))
            return 0;
        QFile::remove(fileName);
    }
    auto* file = new QFile(fileName);
    const bool opened = resumeFrom > 0 ? file->open(QIODevice::WriteOnly | QIODevice::Append)
                                       : file->open(QIODevice::WriteOnly);
    if (!opened) {
        if (showErrors)
            showMessage(tr("Error"),
                        tr("Unable to save file.") + QStringLiteral("<br><br>") + fileName +
                            QStringLiteral(" <b>") + file->errorString() + QStringLiteral("</b>"),
                        {}, QMessageBox::Information);
        m_lastError = file->errorString();
        delete file;
        return 0;
    }
    if (resumeFrom > 0)
        m_range = QStringLiteral("bytes=%1-").arg(resumeFrom);
    return send(url, file, showErrors, nullptr);
}

int QHttpExt::send(const QString& url, QFile* file, bool showErrors, httpInfo* reissued) {
    RequestState state;
    if (reissued) {
        state = m_requestState.value(reissued);
    } else {
        state.postBody = std::exchange(m_postBody, {});
        state.range = std::exchange(m_range, {});
        if (m_timeoutMs > 0)
            state.deadline.setRemainingTime(m_timeoutMs);
        state.maxBytes = m_maxBytes;
    }
    const QUrl qurl = parseUrl(url);
    if (url.isEmpty() || !qurl.isValid()) {
        m_lastError = tr("Invalid URL: %1").arg(url);
        if (showErrors)
            showMessage(tr("Error"), m_lastError);
        delete file;
        return 0;
    }
    if (!reissued)
        m_cancelled = false;

    QNetworkRequest request(qurl);
    // Redirects are followed here, so that the record, its file and its id survive them.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QString agent = m_userAgent;
    if (agent.isEmpty())
        agent = m_defaultUserAgent;
    if (agent.isEmpty())
        agent = QString::fromLatin1(DefaultUserAgent);
    request.setRawHeader("User-Agent", agent.toUtf8());
    if (m_browserHeaders) {
        request.setRawHeader("Accept-Charset", "ISO-8859-1,utf-8;q=0.7,*;q=0.7");
        request.setRawHeader("Accept",
                             "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    }
    if (!state.range.isEmpty())
        request.setRawHeader("Range", state.range.toLatin1());

    emit sig_Initializing(request);
    m_lastError.clear();
    if (!m_proxy.hostName().isEmpty())
        m_nam->setProxy(m_proxy);

    if (qurl.scheme().toLower() == QLatin1String("https")) {
        const QList<QSslCertificate> cas = caCertificates();
        if (!cas.isEmpty()) {
            QSslConfiguration config = request.sslConfiguration();
            config.setCaCertificates(config.caCertificates() + cas);
            request.setSslConfiguration(config);
        }
    }

    QNetworkReply* reply = nullptr;
    if (!state.postBody.isEmpty()) {
        request.setRawHeader("Content-Length", QByteArray::number(state.postBody.size()));
        reply = m_nam->post(request, state.postBody);
    } else {
        reply = m_nam->get(request);
    }

    connect(reply, &QNetworkReply::readyRead, this, &QHttpExt::slot_ReadyRead);
    connect(reply, &QNetworkReply::downloadProgress, this, &QHttpExt::slot_readProgress64);
    connect(reply, &QNetworkReply::errorOccurred, this, &QHttpExt::slot_Error);
    connect(reply, &QNetworkReply::sslErrors, this, &QHttpExt::slot_SSLErrors);

    httpInfo* info = reissued;
    if (!info) {
        info = new httpInfo(file, showErrors, m_raw);
        info->id = requestId(url, QTime::currentTime().msec());
    }
    info->url = url;
    info->reply = reply;
    m_replyMap.insert(reply, info);
    m_requestState.insert(info, state);
    enforceLimits(reply, state);
    if (!reissued) {
        m_list.append(info);
        emit sig_Started(info);
    }
    return info->id;
}

QString QHttpExt::redirectTarget(QNetworkReply* reply) const {
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (target.isEmpty())
        return {};
    return reply->url().resolved(target).toString(QUrl::FullyEncoded);
}

bool QHttpExt::isFollowedRedirect(const httpInfo* info, QNetworkReply* reply) const {
    if (reply->error() != QNetworkReply::NoError)
        return false;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (!isRedirectStatus(status))
        return false;
    const QString target = redirectTarget(reply);
    if (target.isEmpty() || target == info->url || QUrl(target) == reply->url())
        return false;
    return m_requestState.value(info).redirects < MaxRedirects;
}

void QHttpExt::writeAvailable(httpInfo* info, QNetworkReply* reply) {
    if (!info->file || !info->file->isOpen() || reply->bytesAvailable() <= 0)
        return;
    // The body of a redirect we follow is a note for browsers, not part of the download.
    if (isFollowedRedirect(info, reply)) {
        reply->readAll();
        return;
    }
    qDebug().noquote() << "QHttpExt::slot_ReadyRead writing to file...";
    info->file->write(reply->readAll());
}

void QHttpExt::slot_ReadyRead() {
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    httpInfo* info = getInfo(reply);
    if (!info)
        return;
    const qint64 maxBytes = m_requestState.value(info).maxBytes;
    if (!info->file && maxBytes > 0 && reply->bytesAvailable() > maxBytes) {
        endByLimit(info, reply, tr("The download is larger than %1 KB").arg(maxBytes / 1024));
        return;
    }
    writeAvailable(info, reply);
}

void QHttpExt::setLimits(int timeoutMs, qint64 maxBytes) {
    m_timeoutMs = qMax(0, timeoutMs);
    m_maxBytes = qMax<qint64>(0, maxBytes);
}

void QHttpExt::enforceLimits(QNetworkReply* reply, const RequestState& state) {
    if (state.deadline.isForever())
        return;
    // Tied to the reply, which its record deletes only later: the record is looked up again,
    // as it may be gone by the time the timer fires.
    QTimer::singleShot(qMax<qint64>(0, state.deadline.remainingTime()), reply, [this, reply] {
        if (httpInfo* current = getInfo(reply))
            endByLimit(current, reply, errorText(QNetworkReply::TimeoutError));
    });
}

void QHttpExt::endByLimit(httpInfo* info, QNetworkReply* reply, const QString& error) {
    qDebug().noquote() << "QHttpExt::endByLimit" << info->url << error;
    m_requestState[info].limitError = error;
    reply->abort();
}

void QHttpExt::slot_replyFinished(QNetworkReply* reply) {
    httpInfo* info = nullptr;
    for (httpInfo* candidate : std::as_const(m_list)) {
        if (candidate->reply == reply) {
            info = candidate;
            break;
        }
    }
    if (!info)
        info = m_replyMap.value(reply);
    if (!info) {
        qDebug().noquote() << "QHttpExt::slot_replyFinished - failed to find reply";
        return;
    }
    m_currentReply = reply;

    if (isFollowedRedirect(info, reply)) {
        info->nextUrl = redirectTarget(reply);
        RequestState& state = m_requestState[info];
        state.redirects += 1;
        info->redirects = state.redirects;
        // Only a 307 repeats the method; the others continue with a GET.
        if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 307)
            state.postBody.clear();
        m_replyMap.remove(reply);
        reply->disconnect(this);
        reply->deleteLater();
        info->reply = nullptr;
        m_currentReply = nullptr;
        if (send(info->nextUrl, nullptr, info->showErrors, info) == 0)
            failRecord(info, m_lastError);
        return;
    }
    finishRecord(info, reply);
}

void QHttpExt::failRecord(httpInfo* info, const QString& errorString) {
    if (info->file) {
        info->file->close();
        info->file->remove();
    }
    info->errorString = errorString;
    info->error = true;
    completeRecord(info);
}

void QHttpExt::finishRecord(httpInfo* info, QNetworkReply* reply) {
    qDebug().nospace().noquote() << "QHttpExt::slot_replyFinished " << info->id;
    if (info->file) {
        writeAvailable(info, reply);
        info->file->flush();
        info->file->close();
    }
    if (reply->error() == QNetworkReply::NoError) {
        if (!info->file) {
            info->data = reply->readAll();
            if (!info->raw)
                info->text = QString::fromUtf8(info->data);
        }
    } else {
        const QString limitError = m_requestState.value(info).limitError;
        info->errorString = limitError.isEmpty() ? errorText(reply->error()) : limitError;
        // An aborted batch is the caller's own doing; it needs no message boxes.
        // Codes outside the table keep an empty text; the box then shows the network layer's.
        if (info->showErrors && !m_cancelled)
            showMessage(tr("Error"),
                        info->errorString.isEmpty() ? reply->errorString() : info->errorString);
        if (info->file)
            info->file->remove();
        info->error = true;
    }
    completeRecord(info);
}

void QHttpExt::completeRecord(httpInfo* info) {
    m_lastError = info->errorString;
    emit sig_Finished(info);
    m_currentReply = nullptr;
    deleteFinishedRecords();
    m_userAgent.clear();
    // A receiver of sig_Finished may have removed the record already.
    if (m_list.contains(info))
        info->finished = true;
}

void QHttpExt::deleteFinishedRecords() {
    for (qsizetype i = m_list.size() - 1; i >= 0; --i) {
        httpInfo* info = m_list.at(i);
        if (!info->finished)
            continue;
        m_list.removeAt(i);
        forgetRecord(info);
        delete info;
        qDebug().nospace().noquote() << "Deleting HttpInfo - remaining: " << m_list.size();
    }
}

void QHttpExt::forgetRecord(const httpInfo* info) {
    m_requestState.remove(info);
    for (auto it = m_replyMap.begin(); it != m_replyMap.end();) {
        if (it.value() == info)
            it = m_replyMap.erase(it);
        else
            ++it;
    }
}

void QHttpExt::slot_Error(QNetworkReply::NetworkError code) {
    qDebug().nospace().noquote() << "QHttpExt::slot_Error " << static_cast<int>(code);
}

void QHttpExt::slot_readProgress64(qint64 received, qint64 total) {
    emit sig_ReadProgress(received, total);
}

QHttpExt::httpInfo* QHttpExt::getInfo(int id) const {
    for (httpInfo* info : m_list) {
        if (info->id == id)
            return info;
    }
    return nullptr;
}

QHttpExt::httpInfo* QHttpExt::getInfo(const QNetworkReply* reply) const {
    if (!reply)
        return nullptr;
    for (httpInfo* info : m_list) {
        if (info->reply == reply)
            return info;
    }
    return m_replyMap.value(reply);
}

bool QHttpExt::removeInfo(int id) {
    return removeInfo(getInfo(id));
}

bool QHttpExt::removeInfo(httpInfo* info) {
    if (!info || !m_list.removeOne(info))
        return false;
    forgetRecord(info);
    if (info->reply == m_currentReply)
        m_currentReply = nullptr;
    delete info;
    return true;
}

int QHttpExt::pendingCount() const {
    int count = 0;
    for (const httpInfo* info : m_list) {
        if (!info->finished)
            ++count;
    }
    return count;
}

void QHttpExt::abortAll() {
    m_cancelled = true;
    // Aborting finishes replies synchronously, which edits the record list.
    QList<QPointer<QNetworkReply>> replies;
    for (const httpInfo* info : std::as_const(m_list)) {
        if (!info->finished && info->reply)
            replies.append(info->reply);
    }
    for (const QPointer<QNetworkReply>& reply : std::as_const(replies)) {
        if (reply && !reply->isFinished())
            reply->abort();
    }
}

void QHttpExt::slot_NAM_sslErrors(QNetworkReply* reply, const QList<QSslError>& errors) {
    const QUrl url = reply->url();
    const QString key = url.host() + QLatin1Char(':') + QString::number(url.port(443));
    if (m_acceptedSslKeys.contains(key)) {
        // Accepted once for this server: later connections to it go through without asking.
        reply->ignoreSslErrors();
        return;
    }
    m_acceptedSslKeys.append(key);
    if (!m_silentSSL) {
        QStringList texts;
        for (const QSslError& error : errors)
            texts.append(error.errorString());
        showMessage(tr("SSL errors"), texts.join(QLatin1Char('\n')));
    }
    reply->ignoreSslErrors();
}

void QHttpExt::slot_SSLErrors(const QList<QSslError>& errors) {
    for (const QSslError& error : errors)
        qDebug().nospace().noquote() << "QHttpExt::slot_sslErrors " << error.errorString();
}

void QHttpExt::slot_authenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator) {
    if (m_authenticator) {
        authenticator->setUser(m_authenticator->user());
        authenticator->setPassword(m_authenticator->password());
        return;
    }
    askCredentials(authenticator->realm(), reply->url().toString(), authenticator);
}

void QHttpExt::slot_proxyAuthenticationRequired(const QNetworkProxy& proxy,
                                                QAuthenticator* authenticator) {
    askCredentials(authenticator->realm(), proxy.hostName(), authenticator);
}

bool QHttpExt::getPixmapSync(const QString& url, QPixmap& pixmap) {
    const QUrl qurl = parseUrl(url);
    if (url.isEmpty() || !qurl.isValid())
        return false;
    QNetworkAccessManager nam;
    nam.setTransferTimeout(PixmapTimeoutMs);
    if (!m_proxy.hostName().isEmpty())
        nam.setProxy(m_proxy);
    QEventLoop loop;
    connect(&nam, &QNetworkAccessManager::finished, this, &QHttpExt::slot_downloadImageFinished);
    connect(&nam, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
    QNetworkRequest request(qurl);
    const QString agent =
        m_defaultUserAgent.isEmpty() ? QString::fromLatin1(DefaultUserAgent) : m_defaultUserAgent;
    request.setRawHeader("User-Agent", agent.toUtf8());
    QPixmap* outer = m_pixmapTarget; // a nested fetch from inside the loop keeps ours intact
    m_pixmapTarget = &pixmap;
    nam.get(request);
    loop.exec();
    m_pixmapTarget = outer;
    return true;
}

void QHttpExt::slot_downloadImageFinished(QNetworkReply* reply) {
    if (m_pixmapTarget && reply->error() == QNetworkReply::NoError)
        m_pixmapTarget->loadFromData(reply->readAll());
    reply->deleteLater();
}

void QHttpExt::showMessage(const QString& title, const QString& text, const QString& informative,
                           QMessageBox::Icon icon) {
    if (!haveWidgets()) {
        qWarning().noquote() << title << text << informative;
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    if (!informative.isEmpty())
        box.setInformativeText(informative);
    box.exec();
}

bool QHttpExt::askOverwrite(const QString& fileName) {
    if (!haveWidgets())
        return false;
    const auto answer = QMessageBox::question(
        nullptr, tr("Download"),
        tr("There already exists a file called %1 in the current directory. Overwrite?")
            .arg(fileName),
        QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel);
    return answer == QMessageBox::Ok;
}

bool QHttpExt::askCredentials(const QString& realm, const QString& site,
                              QAuthenticator* authenticator) {
    if (!haveWidgets())
        return false;
    QDialog dialog;
    dialog.setWindowTitle(tr("Http authentication required"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(tr("You need to supply a Username and a Password to access "
                                    "this site"),
                                 &dialog));
    auto* form = new QFormLayout;
    auto* user = new QLineEdit(&dialog);
    auto* password = new QLineEdit(&dialog);
    password->setEchoMode(QLineEdit::Password);
    form->addRow(tr("Username:"), user);
    form->addRow(tr("Password:"), password);
    form->addRow(tr("Site:"), new QLabel(tr("%1 at %2").arg(realm, site), &dialog));
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    authenticator->setUser(user->text());
    authenticator->setPassword(password->text());
    return true;
}

} // namespace QT_EXT
