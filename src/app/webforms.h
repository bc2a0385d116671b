#pragma once

// Talks to the program's web site about stations: the three forms (a new station, a station that
// fails, a comment on a station) with the identity text that says which program and country sent
// them, and the share pages of two social networks.
// GUI thread; owned by the main window, which fills the forms from its dialogs.

#include "qtext/qhttpext.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

class AppSettings;
class Preset;

namespace QT_EXT {
class UserPrompt;
}

class WebForms : public QObject {
    Q_OBJECT
public:
    enum class Form { Suggestion, Report, Comment };

    // What the dialog holds when the user sends it.
    struct Entry {
        QString name;
        QStringList urls;
        QString newUrl;
        QString genre;
        QString country;
        QString state;
        QString website;
        QString comments;
    };

    static constexpr int ShareStationLength = 50;

    WebForms(AppSettings* settings, QT_EXT::UserPrompt* prompt, QObject* parent = nullptr);

    static QString path(Form form);
    static QT_EXT::QHttpExt::FormFields fields(Form form, const Entry& entry,
                                               const QString& source);
    // The dialog's starting values for a station.
    static Entry entryFor(const Preset& station);
    static QString thanks(Form form);

    // "Quillowave 1.40.1 (country)"; looks the country up and stores it when none is known.
    QString identityText();
    // The locale whose territory is asked first (the system's unless set).
    void setLocale(const QLocale& locale) { m_locale = locale; }

    // Posts the form and thanks the user; the reply is not looked at.
    void send(Form form, const Entry& entry);

    static QString shareText(const QString& song, const QString& station);
    QUrl facebookShareUrl(const QString& text) const;
    static QUrl twitterShareUrl(const QString& text);
    void shareFacebook(const QString& song, const QString& station);
    void shareTwitter(const QString& song, const QString& station);

private:
    AppSettings* m_settings;      // the program's
    QT_EXT::UserPrompt* m_prompt; // the window's
    QT_EXT::QHttpExt* m_http;     // child
    QLocale m_locale = QLocale::system();
};
