#include "app/versioncheck.h"

#include "qtext/qhttpext.h"
#include "qtext/userprompt.h"
#include "settings/appsettings.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

using QT_EXT::UserPrompt;

namespace {

const QString kVersionPath = QStringLiteral("/app_version.php");
const QString kDownloadsPath = QStringLiteral("/downloads.php");

// The text after label up to the next end mark (or the end of the page), blanks skipped.
QString labelled(const QString& page, const QString& label, const QString& end, bool* found) {
    const qsizetype at = page.indexOf(label);
    *found = at >= 0;
    if (at < 0)
        return {};
    qsizetype start = at + label.size();
    while (start < page.size() && page.at(start).isSpace())
        ++start;
    const qsizetype stop = page.indexOf(end, start);
    return page.mid(start, stop < 0 ? -1 : stop - start);
}

} // namespace

VersionCheck::VersionCheck(AppSettings* settings, UserPrompt* prompt, QObject* parent)
    : QObject(parent), m_settings(settings), m_prompt(prompt), m_http(new QT_EXT::QHttpExt(this)) {
    connect(m_http, &QT_EXT::QHttpExt::sig_Finished, this,
            [this](const QT_EXT::QHttpExt::httpInfo* info) {
                if (info->id != m_requestId)
                    return;
                m_requestId = 0;
                // Handled once the client is done with its record: the answer may ask the user.
                QTimer::singleShot(0, this,
                                   [this, failed = info->error, error = info->errorString,
                                    page = QString::fromUtf8(info->data), manual = m_manual] {
                                       finishRequest(failed, error, page, manual);
                                   });
            });
}

bool VersionCheck::parseVersionPage(const QString& page, VersionInfo& out) {
    QString text = page;
    text.replace(QStringLiteral("Release notes"), tr("Release notes"));
    bool hasVersion = false;
    bool hasUrl = false;
    bool hasDescription = false;
    out.version =
        labelled(text, QStringLiteral("Version:"), QStringLiteral("<"), &hasVersion).trimmed();
    out.url = labelled(text, QStringLiteral("URL:"), QStringLiteral("<"), &hasUrl).trimmed();
    out.description =
        labelled(text, QStringLiteral("Description:"), QStringLiteral("$$"), &hasDescription);
    return hasVersion && hasUrl && !out.version.isEmpty();
}

bool VersionCheck::isNewer(const QString& candidate, const QString& current) {
    const QStringList a = candidate.split(QLatin1Char('.'));
    const QStringList b = current.split(QLatin1Char('.'));
    const qsizetype count = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < count; ++i) {
        const int left = a.at(i).trimmed().toInt();
        const int right = b.at(i).trimmed().toInt();
        if (left != right)
            return left > right;
    }
    return false;
}

QString VersionCheck::announcement(const VersionInfo& info) {
    return QStringLiteral("<html>") + tr("Current version") + QStringLiteral(" <b>") +
           QLatin1String(RunningVersion) + QStringLiteral(".</b><br>") + tr("New version") +
           QStringLiteral(" <b>") + info.version + QStringLiteral("</b>.<br><br>") +
           info.description + QStringLiteral("<br><br><b>") +
           tr("Do you want to open its download page now?") + QStringLiteral("</b></html>");
}

QString VersionCheck::downloadPage() const {
    return m_settings->WebSiteHost() + kDownloadsPath;
}

bool VersionCheck::isCheckDue(const QDateTime& now) const {
    const QDateTime last = m_settings->LastVersionCheckDate();
    return last.isValid() && last.daysTo(now) >= CheckIntervalDays;
}

bool VersionCheck::checkVersionAutomatic(bool force) {
    if (m_requestId != 0 || (!force && !isCheckDue(QDateTime::currentDateTime())))
        return false;
    m_settings->setLastVersionCheckDate(QDateTime::currentDateTime());
    requestPage(false);
    return true;
}

void VersionCheck::slot_checkVersion() {
    if (m_requestId != 0)
        return;
    if (!m_settings->OldMan()) {
        requestPage(true);
        return;
    }
    if (!m_plain)
        m_plain = new QNetworkAccessManager(this);
    QNetworkReply* reply =
        m_plain->get(QNetworkRequest(QUrl(m_settings->WebSiteHost() + kVersionPath)));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const bool failed = reply->error() != QNetworkReply::NoError;
        finishRequest(failed, reply->errorString(), QString::fromUtf8(reply->readAll()), true);
    });
}

void VersionCheck::requestPage(bool manual) {
    m_manual = manual;
    m_requestId = m_http->get(m_settings->WebSiteHost() + kVersionPath, false);
    if (m_requestId == 0)
        finishRequest(true, m_http->lastError(), QString(), manual);
}

void VersionCheck::finishRequest(bool failed, const QString& errorText, const QString& page,
                                 bool manual) {
    if (failed) {
        // The automatic check does not trouble the user with a site that cannot be reached.
        if (manual)
            m_prompt->error(tr("Quillowave"), errorText);
    } else {
        processVersionReply(page, manual, !manual);
    }
    emit sig_idle();
}

void VersionCheck::processVersionReply(const QString& page, bool manual, bool automatic) {
    VersionInfo info;
    info.automatic = automatic;
    const bool parsed = parseVersionPage(page, info);
    bool newer = parsed && isNewer(info.version, QLatin1String(RunningVersion));
    if (newer && automatic)
        newer = isNewer(info.version, m_settings->AppVersion());
    m_settings->setLastVersionCheckDate(QDateTime::currentDateTime());
    if (parsed)
        m_settings->setAppVersion(info.version);

    if (!newer) {
        if (!manual)
            return;
        QString text = tr("No update found.") + QLatin1Char(' ') +
                       tr("You currently have the latest version of this application.");
        if (!m_prompt->controlHeld()) {
            m_prompt->information(tr("Quillowave"), text);
            return;
        }
        if (m_prompt->question(tr("Quillowave"), text) != UserPrompt::Answer::Yes)
            return;
    }
    if (m_prompt->question(tr("Quillowave"), announcement(info)) == UserPrompt::Answer::Yes)
        m_prompt->openUrl(QUrl(downloadPage()));
}
