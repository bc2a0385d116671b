#pragma once

// Asks the program's web site whether a newer version exists: automatically once a week when the
// option is on, or when the user asks. A newer version is announced with its release notes and
// an offer to open its download page in the browser; the program never downloads or runs a
// setup file itself.
// GUI thread; owned by the main window, which hands it the prompt it asks through.

#include <QDateTime>
#include <QObject>
#include <QString>

class AppSettings;
class QNetworkAccessManager;
class QNetworkReply;

namespace QT_EXT {
class QHttpExt;
class UserPrompt;
} // namespace QT_EXT

// What the version page announces.
struct VersionInfo {
    QString version;
    QString url;
    QString description;
    bool automatic = false;
};

class VersionCheck : public QObject {
    Q_OBJECT
public:
    static constexpr const char* RunningVersion = "1.40.1";
    static constexpr int CheckIntervalDays = 7;

    VersionCheck(AppSettings* settings, QT_EXT::UserPrompt* prompt, QObject* parent = nullptr);

    // Reads "Version:", "URL:" and "Description:" from the page; false without the first two.
    static bool parseVersionPage(const QString& page, VersionInfo& out);
    // Compares dotted versions component by component, over the components both have.
    static bool isNewer(const QString& candidate, const QString& current);
    // The announcement of a newer version.
    static QString announcement(const VersionInfo& info);
    QString downloadPage() const;

    bool isCheckDue(const QDateTime& now) const;
    // Requests the version page when a check is due (always with force); false when not.
    bool checkVersionAutomatic(bool force);
    void processVersionReply(const QString& page, bool manual, bool automatic);

public slots:
    void slot_checkVersion();

signals:
    // A check has run to its end, whatever it found.
    void sig_idle();

private:
    void requestPage(bool manual);
    void finishRequest(bool failed, const QString& errorText, const QString& page, bool manual);

    AppSettings* m_settings;                  // the program's
    QT_EXT::UserPrompt* m_prompt;             // the window's
    QT_EXT::QHttpExt* m_http;                 // child, kept for the window's life
    QNetworkAccessManager* m_plain = nullptr; // child, made when first needed
    int m_requestId = 0;
    bool m_manual = false;
};
