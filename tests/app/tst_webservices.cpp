// The program's dealings with its web site and the address services, against the HTTP test
// server: the version page and what the user is told, the three station forms as posted, the
// identity text and the country lookup, and the share addresses.
#include "app/countrylookup.h"
#include "app/versioncheck.h"
#include "app/webforms.h"
#include "settings/appsettings.h"
#include "stations/preset.h"
#include "support/fixture.h"
#include "support/scriptedprompt.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

using Answer = QT_EXT::UserPrompt::Answer;
using Pairs = QList<std::pair<QString, QString>>;
Q_DECLARE_METATYPE(Pairs)
Q_DECLARE_METATYPE(WebForms::Form)

namespace {

QString httpUrl(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString fixtureFile(const QString& name) {
    return QString::fromStdString(qwtest::fixtureDir()) + "/httpserver/" + name;
}

// The lines of a server log that contain text.
QStringList logLines(const QString& name, const QString& text) {
    QFile f(fixtureFile(name));
    QStringList out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.contains(text.toUtf8()))
            out << QString::fromUtf8(line);
    }
    return out;
}

const QString kPage = "<html><body><p>Version: %1</p><p>URL: http://dl/quillowave_setup.exe</p>"
                      "<p>Description: <b>Release notes</b> fixes$$</p></body></html>";

} // namespace

class TestWebServices : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    AppSettings* m_settings = nullptr;
    int m_site = 0;
    QString m_tag;

    // A fresh folder of the test web site, which the program's web site then is.
    void newSite() {
        m_tag = QStringLiteral("web%1-%2").arg(QCoreApplication::applicationPid()).arg(++m_site);
        m_settings->setWebSiteHost(httpUrl("/site/" + m_tag));
    }
    QString sitePath(const QString& name) const {
        return QString::fromStdString(qwtest::wwwDir()) + "/" + m_tag + "/" + name;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP test server is not running");
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_settings = AppSettings::instance();
    }

    void init() {
        newSite();
        m_settings->setAppVersion(QStringLiteral("1.40.1"));
        m_settings->setLastVersionCheckDate(QDateTime());
        m_settings->setOldMan(false);
        m_settings->setCountry(QStringLiteral("France"));
    }

    // --- version page ---------------------------------------------------------------------

    void isNewer_data() {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("current");
        QTest::addColumn<bool>("newer");
        QTest::newRow("older third component") << "1.39.9"
                                               << "1.40.1" << false;
        QTest::newRow("two components, greater minor") << "1.41"
                                                       << "1.40.1" << true;
        QTest::newRow("greater third component") << "1.40.2"
                                                 << "1.40.1" << true;
        QTest::newRow("equal") << "1.40.1"
                               << "1.40.1" << false;
        QTest::newRow("missing third component not compared") << "1.40"
                                                              << "1.40.1" << false;
        QTest::newRow("major only") << "2"
                                    << "1.40.1" << true;
        QTest::newRow("numbers, not text") << "1.40.10"
                                           << "1.40.9" << true;
        QTest::newRow("not a number") << "abc"
                                      << "1.40.1" << false;
        QTest::newRow("empty") << ""
                               << "1.40.1" << false;
    }

    void isNewer() {
        QFETCH(QString, candidate);
        QFETCH(QString, current);
        QTEST(VersionCheck::isNewer(candidate, current), "newer");
    }

    void parseVersionPage_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("description");
        QTest::newRow("full page") << kPage.arg("1.41.0") << true << "1.41.0"
                                   << "http://dl/quillowave_setup.exe"
                                   << "<b>Release notes</b> fixes";
        QTest::newRow("blanks and line breaks after labels")
            << "Version:\n\t 1.42 <br>URL:   http://x/s.exe<br>Description:\nnotes" << true
            << "1.42"
            << "http://x/s.exe"
            << "notes";
        QTest::newRow("no description") << "Version: 1.5<URL: http://u<" << true << "1.5"
                                        << "http://u"
                                        << "";
        QTest::newRow("no address label") << "Version: 1.50<br>Description: x$$" << false << "1.50"
                                          << ""
                                          << "x";
        QTest::newRow("no version label") << "URL: http://u<" << false << ""
                                          << "http://u"
                                          << "";
        QTest::newRow("empty page") << "" << false << ""
                                    << ""
                                    << "";
    }

    void parseVersionPage() {
        QFETCH(QString, page);
        VersionInfo info;
        QTEST(VersionCheck::parseVersionPage(page, info), "parsed");
        QTEST(info.version, "version");
        QTEST(info.url, "url");
        QTEST(info.description, "description");
    }

    void versionReply_data() {
        QTest::addColumn<QString>("page"); // "" = no page on the site
        QTest::addColumn<bool>("manual");
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("announced"); // AppVersion before
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("said"); // start of each prompt call
        QTest::addColumn<QString>("stored");   // AppVersion after

        const QString offer = "question|Quillowave|<html>Current version <b>1.40.1.</b><br>New "
                              "version <b>%1</b>.<br><br><b>Release notes</b> fixes<br><br><b>";
        const QString latest = "No update found. You currently have the latest version of this "
                               "application.";
        QTest::newRow("newer, manual, page opened")
            << kPage.arg("1.41.0") << true << false << "1.40.1" << QList<Answer>{Answer::Yes}
            << QStringList{offer.arg("1.41.0"), "open|" + httpUrl("/site/%1/downloads.php")}
            << "1.41.0";
        QTest::newRow("newer, automatic, declined")
            << kPage.arg("1.41") << false << false << "1.40.1" << QList<Answer>{Answer::No}
            << QStringList{offer.arg("1.41")} << "1.41";
        QTest::newRow("automatic does not announce again")
            << kPage.arg("1.41.0") << false << false << "1.41.0" << QList<Answer>{} << QStringList{}
            << "1.41.0";
        QTest::newRow("manual announces again")
            << kPage.arg("1.41.0") << true << false << "1.41.0" << QList<Answer>{Answer::No}
            << QStringList{offer.arg("1.41.0")} << "1.41.0";
        QTest::newRow("equal, manual")
            << kPage.arg("1.40.1") << true << false << "1.40.1" << QList<Answer>{}
            << QStringList{"information|Quillowave|" + latest} << "1.40.1";
        QTest::newRow("equal, manual with Control goes on")
            << kPage.arg("1.40.1") << true << true << "1.40.1"
            << QList<Answer>{Answer::Yes, Answer::No}
            << QStringList{"question|Quillowave|" + latest, offer.arg("1.40.1")} << "1.40.1";
        QTest::newRow("older, manual")
            << kPage.arg("1.39.9") << true << false << "1.40.1" << QList<Answer>{}
            << QStringList{"information|Quillowave|" + latest} << "1.39.9";
        QTest::newRow("older, automatic") << kPage.arg("1.39.9") << false << false << "1.40.1"
                                          << QList<Answer>{} << QStringList{} << "1.39.9";
        QTest::newRow("unparsable, manual")
            << "<html>maintenance</html>" << true << false << "1.40.1" << QList<Answer>{}
            << QStringList{"information|Quillowave|" + latest} << "1.40.1";
        QTest::newRow("no page, manual") << "" << true << false << "1.40.1" << QList<Answer>{}
                                         << QStringList{"error|Quillowave|"} << "1.40.1";
        QTest::newRow("no page, automatic")
            << "" << false << false << "1.40.1" << QList<Answer>{} << QStringList{} << "1.40.1";
    }

    void versionReply() {
        QFETCH(QString, page);
        QFETCH(bool, manual);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, said);
        if (!page.isEmpty())
            QVERIFY(writeFile(sitePath("app_version.php"), page.toUtf8()));
        QFETCH(QString, announced);
        QFETCH(bool, control);
        m_settings->setAppVersion(announced);
        ScriptedPrompt prompt;
        prompt.control = control;
        prompt.answers = answers;
        VersionCheck check(m_settings, &prompt);
        QSignalSpy idle(&check, &VersionCheck::sig_idle);
        if (manual)
            check.slot_checkVersion();
        else
            QVERIFY(check.checkVersionAutomatic(true));
        QVERIFY(idle.wait(30000));
        QCOMPARE(prompt.calls.size(), said.size());
        for (int i = 0; i < said.size(); ++i) {
            const QString expected = said.at(i).contains("%1") ? said.at(i).arg(m_tag) : said.at(i);
            QVERIFY2(prompt.calls.at(i).startsWith(expected), qPrintable(prompt.calls.at(i)));
        }
        QTEST(m_settings->AppVersion(), "stored");
        // A manual check that reached no page leaves the date of the last check as it was.
        QCOMPARE(m_settings->LastVersionCheckDate().isValid(), !page.isEmpty() || !manual);
    }

    void automaticCheckDue_data() {
        QTest::addColumn<int>("daysAgo"); // -1: never
        QTest::addColumn<bool>("due");
        QTest::newRow("never checked: not due") << -1 << false;
        QTest::newRow("six days ago") << 6 << false;
        QTest::newRow("seven days ago") << 7 << true;
    }

    void automaticCheckDue() {
        QFETCH(int, daysAgo);
        QFETCH(bool, due);
        QVERIFY(writeFile(sitePath("app_version.php"), kPage.arg("1.40.1").toUtf8()));
        m_settings->setLastVersionCheckDate(
            daysAgo < 0 ? QDateTime() : QDateTime::currentDateTime().addDays(-daysAgo));
        ScriptedPrompt prompt;
        VersionCheck check(m_settings, &prompt);
        QSignalSpy idle(&check, &VersionCheck::sig_idle);
        QCOMPARE(check.checkVersionAutomatic(false), due);
        if (due) {
            QVERIFY(idle.wait(30000));
            QVERIFY(m_settings->LastVersionCheckDate().daysTo(QDateTime::currentDateTime()) == 0);
        }
        QCOMPARE(prompt.calls, QStringList());
    }

    // The plain client the user can choose asks the same page and gets the same answer.
    void plainClient() {
        QVERIFY(writeFile(sitePath("app_version.php"), kPage.arg("1.42.0").toUtf8()));
        m_settings->setOldMan(true);
        ScriptedPrompt prompt;
        VersionCheck check(m_settings, &prompt);
        QSignalSpy idle(&check, &VersionCheck::sig_idle);
        check.slot_checkVersion();
        QVERIFY(idle.wait(30000));
        QCOMPARE(prompt.of("question").size(), 1);
        QVERIFY(prompt.calls.first().contains("New version <b>1.42.0</b>"));
        QCOMPARE(logLines("requests.log", "GET /site/" + m_tag + "/app_version.php").size(), 1);
    }

    // --- forms ----------------------------------------------------------------------------

    void forms_data() {
        QTest::addColumn<WebForms::Form>("form");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("thanks");
        QTest::addColumn<Pairs>("posted");
        const QString source = "Quillowave 1.40.1 (France)";
        const QString urls = "http://a/1?x=1&y=2\nhttp://a/2";
        QTest::newRow("suggestion")
            << WebForms::Form::Suggestion << "/add_new_station_post.php"
            << "Suggestion sent. Thank you."
            << Pairs{{"name", "Caf\u00e9 + Radio"}, {"url", urls},
                     {"genre", "Rock & Roll"},      {"country", "USA"},
                     {"country_state", "Texas"},    {"website", "http://web/"},
                     {"comments", "50% = good"},    {"source", source},
                     {"db_only", "false"}};
        QTest::newRow("report") << WebForms::Form::Report << "/add_failed_station_post.php"
                                << "Station report sent. Thank you."
                                << Pairs{{"name", "Caf\u00e9 + Radio"}, {"url", urls},
                                         {"new_url", "http://new/"},    {"country", "USA"},
                                         {"genre", "Rock & Roll"},      {"website", "http://web/"},
                                         {"comments", "50% = good"},    {"source", source},
                                         {"db_only", "false"}};
        QTest::newRow("comment") << WebForms::Form::Comment << "/comment_station_post.php"
                                 << "Comment sent. Thank you."
                                 << Pairs{{"name", "Caf\u00e9 + Radio"}, {"url", urls},
                                          {"new_url", "http://new/"},    {"country", "USA"},
                                          {"genre", "Rock & Roll"},      {"website", "http://web/"},
                                          {"comments", "50% = good"},    {"source", source},
                                          {"db_only", "false"}};
    }

    void forms() {
        QFETCH(WebForms::Form, form);
        QFETCH(QString, path);
        QFETCH(Pairs, posted);
        QFETCH(QString, thanks);
        Preset station;
        station.title = QString::fromUtf8("Caf\u00e9 + Radio");
        station.sources = {"http://a/1?x=1&y=2", "http://a/2"};
        station.genre = "Rock & Roll";
        station.country = "USA";
        station.state = "Texas";
        station.website = "http://web/";
        WebForms::Entry entry = WebForms::entryFor(station);
        entry.newUrl = "http://new/";
        entry.comments = "50% = good";
        ScriptedPrompt prompt;
        WebForms forms(m_settings, &prompt);
        forms.send(form, entry);
        QCOMPARE(prompt.calls, QStringList{"information|Quillowave|" + thanks});
        const QString wanted = "\"/" + m_tag + path + "\"";
        QTRY_COMPARE_WITH_TIMEOUT(logLines("posts.log", wanted).size(), 1, 30000);
        const QJsonObject post =
            QJsonDocument::fromJson(logLines("posts.log", wanted).first().toUtf8()).object();
        QCOMPARE(post.value("type").toString(),
                 QStringLiteral("application/x-www-form-urlencoded"));
        const QString body = post.value("body").toString();
        Pairs received;
        for (const QString& pair : body.split('&')) {
            received.append({QUrl::fromPercentEncoding(pair.section('=', 0, 0).toUtf8()),
                             QUrl::fromPercentEncoding(pair.section('=', 1).toUtf8())});
        }
        QCOMPARE(received, posted);
    }

    void identityText_data() {
        QTest::addColumn<QString>("country"); // Country before
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("ownPage"); // "" = no page
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        const QByteArray page = "<script>var ip = '192.0.2.10';</script>";
        QTest::newRow("known country") << "France"
                                       << "C" << page << "Quillowave 1.40.1 (France)"
                                       << "France";
        QTest::newRow("locale names the territory")
            << ""
            << "de_DE" << QByteArray() << "Quillowave 1.40.1 (Germany)"
            << "Germany";
        QTest::newRow("placeholder address, services answer")
            << "0.0.0.0"
            << "C" << page << "Quillowave 1.40.1 (USA)"
            << "USA";
        QTest::newRow("services fail") << ""
                                       << "C" << QByteArray() << "Quillowave 1.40.1 (Unknown)"
                                       << "";
    }

    void identityText() {
        QFETCH(QByteArray, ownPage);
        QFETCH(QString, country);
        QFETCH(QString, locale);
        m_settings->setCountry(country);
        setServices(ownPage, "<Response><CountryName>United States of America</CountryName>"
                             "</Response>");
        ScriptedPrompt prompt;
        WebForms forms(m_settings, &prompt);
        forms.setLocale(QLocale(locale));
        QTEST(forms.identityText(), "text");
        QTEST(m_settings->Country(), "stored");
    }

    // --- country lookup -------------------------------------------------------------------

    void lookup_data() {
        QTest::addColumn<QByteArray>("ownPage"); // "" = no page (404)
        QTest::addColumn<QByteArray>("answer");  // "" = no page (404)
        QTest::addColumn<QString>("country");
        QTest::addColumn<QString>("city");
        QTest::addColumn<QString>("askedIp"); // the ip= of the second request, "" = none

        const QByteArray own = "<html><script>var ip = '203.0.113.7';</script></html>";
        const QByteArray full = "<Response><Ip>203.0.113.7</Ip><Status>OK</Status>"
                                "<CountryCode>US</CountryCode><CountryName>United States of "
                                "America</CountryName><City>Austin</City></Response>";
        QTest::newRow("both answer") << own << full << "USA"
                                     << "Austin"
                                     << "203.0.113.7";
        QTest::newRow("United Kingdom")
            << own << QByteArray("<CountryName>United Kingdom</CountryName>") << "UK"
            << ""
            << "203.0.113.7";
        QTest::newRow("lower case is not shortened")
            << own << QByteArray("<CountryName>united states</CountryName>") << "united states"
            << ""
            << "203.0.113.7";
        QTest::newRow("own page without the address")
            << QByteArray("<html>hello</html>") << full << ""
            << ""
            << "";
        QTest::newRow("own address service fails") << QByteArray() << full << ""
                                                   << ""
                                                   << "";
        QTest::newRow("geographic service fails") << own << QByteArray() << ""
                                                  << ""
                                                  << "203.0.113.7";
        QTest::newRow("garbage answer") << own << QByteArray("\x01\x02<CountryName>broken") << ""
                                        << ""
                                        << "203.0.113.7";
        QTest::newRow("long address cut to 64")
            << "var ip = '" + QByteArray(80, '7') + "'" << full << "USA"
            << "Austin" << QString(64, '7');
    }

    void lookup() {
        QFETCH(QByteArray, ownPage);
        QFETCH(QByteArray, answer);
        QFETCH(QString, askedIp);
        setServices(ownPage, answer);
        CountryLookup lookup(m_settings->OwnAddressHost(), m_settings->GeoAddressHost(),
                             m_settings->GeoAddressKey());
        const CountryLookup::Location location = lookup.lookup(QLocale::c());
        QVERIFY(lookup.askedServices());
        QTEST(location.CountryName, "country");
        QTEST(location.City, "city");
        const QStringList asked =
            logLines("requests.log", "GET /site/" + m_tag + "/geo/v2/ip_query.php?");
        if (askedIp.isEmpty()) {
            QCOMPARE(asked.size(), 0);
        } else {
            QCOMPARE(asked.size(), 1);
            QVERIFY2(asked.first().contains("ip_query.php?key=" + m_settings->GeoAddressKey() +
                                            "&ip=" + askedIp + " "),
                     qPrintable(asked.first()));
        }
    }

    void lookupByLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("country");
        QTest::newRow("Germany") << "de_DE"
                                 << "Germany";
        QTest::newRow("United Kingdom") << "en_GB"
                                        << "UK";
        QTest::newRow("United States") << "en_US"
                                       << "USA";
    }

    void lookupByLocale() {
        QFETCH(QString, locale);
        CountryLookup lookup(httpUrl("/status/500"), httpUrl("/status/500"), "k");
        QTEST(lookup.lookup(QLocale(locale)).CountryName, "country");
        QVERIFY(!lookup.askedServices());
    }

    // --- sharing --------------------------------------------------------------------------

    void shareText_data() {
        QTest::addColumn<QString>("song");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("text");
        QTest::newRow("no song") << ""
                                 << "Radio One"
                                 << "I'm listening to Radio One using Quillowave";
        QTest::newRow("song and station")
            << "Artist - Title"
            << "Radio One"
            << "I'm listening to Artist - Title on Radio One using Quillowave";
        QTest::newRow("song holding the station marker")
            << "A {S} B"
            << "Radio"
            << "I'm listening to A Radio B on Radio using Quillowave";
        QTest::newRow("long station name cut to 50")
            << "" << QString(60, 'x')
            << "I'm listening to " + QString(50, 'x') + " using Quillowave";
    }

    void shareText() {
        QFETCH(QString, song);
        QFETCH(QString, station);
        QTEST(WebForms::shareText(song, station), "text");
    }

    void shareAddresses() {
        ScriptedPrompt prompt;
        WebForms forms(m_settings, &prompt);
        forms.shareTwitter("Song", "Radio");
        QCOMPARE(prompt.opened.size(), 1);
        QCOMPARE(
            prompt.opened.first().toString(QUrl::FullyEncoded),
            QStringLiteral("https://twitter.com/intent/tweet?text=I'm%20listening%20to%20Song%20"
                           "on%20Radio%20using%20Quillowave"));
        forms.shareFacebook(QString(), "Radio");
        QCOMPARE(prompt.opened.size(), 2);
        const QUrl shared = prompt.opened.last();
        QCOMPARE(shared.host(), QStringLiteral("www.facebook.com"));
        const QUrl target(QUrl::fromPercentEncoding(
            QUrlQuery(shared).queryItemValue("u", QUrl::FullyEncoded).toUtf8()));
        QCOMPARE(target.toString(QUrl::RemoveQuery),
                 m_settings->WebSiteHost() + "/facebook_sharer.php");
        QCOMPARE(QUrlQuery(target).queryItemValue("t", QUrl::FullyDecoded),
                 QStringLiteral("I'm listening to Radio using Quillowave"));
    }

private:
    // The two address services on the test site: the own-address page and the location answer
    // (empty: none, so the request fails).
    void setServices(const QByteArray& ownPage, const QByteArray& answer) {
        m_settings->setOwnAddressHost(httpUrl("/site/" + m_tag + "/own"));
        m_settings->setGeoAddressHost(httpUrl("/site/" + m_tag + "/geo"));
        if (!ownPage.isEmpty())
            QVERIFY(writeFile(sitePath("own/ip.shtml"), ownPage));
        if (!answer.isEmpty())
            QVERIFY(writeFile(sitePath("geo/v2/ip_query.php"), answer));
    }
};

QTEST_MAIN(TestWebServices)
#include "tst_webservices.moc"
