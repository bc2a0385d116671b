// The HTTP client against the loopback test server: records and ids, what goes out on the wire,
// redirects, downloads with resume and the overwrite question, authentication, error texts,
// abortAll.

#include "qtext/qhttpext.h"
#include "support/fixture.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkRequest>
#include <QPixmap>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <vector>

using QT_EXT::QHttpExt;

namespace {

// What a receiver of sig_Finished saw; the record itself is gone soon after.
struct Outcome {
    int id = 0;
    bool error = true;
    QString url;
    QString text;
    QString errorString;
    QByteArray data;
};

// Answers the client's questions the way a test tells it to, and notes what was asked.
class ScriptedHttp : public QHttpExt {
public:
    QStringList messages;
    QStringList overwriteQuestions;
    bool overwriteAnswer = false;
    QStringList credentialQuestions; // "realm|site"
    QString user;
    QList<const httpInfo*> started; // valid only while the records live
    QList<int> startedIds;
    std::vector<Outcome> outcomes;

    ScriptedHttp() {
        connect(this, &QHttpExt::sig_Started, this, [this](const httpInfo* info) {
            started.append(info);
            startedIds.append(info->id);
        });
        connect(this, &QHttpExt::sig_Finished, this, [this](const httpInfo* info) {
            outcomes.push_back(
                {info->id, info->error, info->url, info->text, info->errorString, info->data});
        });
    }

    // The end of the latest request with this id (ids can repeat). Generous: the server answers
    // in milliseconds.
    Outcome waitFor(int id) {
        const auto allDone = [&] {
            return std::count_if(outcomes.begin(), outcomes.end(), [&](const Outcome& o) {
                       return o.id == id;
                   }) == startedIds.count(id);
        };
        if (id == 0 || !QTest::qWaitFor(allDone, 30000))
            return {-1, true, {}, {}, QStringLiteral("no answer"), {}};
        return *std::find_if(outcomes.rbegin(), outcomes.rend(),
                             [&](const Outcome& o) { return o.id == id; });
    }

protected:
    void showMessage(const QString& title, const QString& text, const QString&,
                     QMessageBox::Icon) override {
        messages.append(title + "|" + text);
    }
    bool askOverwrite(const QString& fileName) override {
        overwriteQuestions.append(fileName);
        return overwriteAnswer;
    }
    bool askCredentials(const QString& realm, const QString& site,
                        QAuthenticator* authenticator) override {
        credentialQuestions.append(realm + "|" + site);
        if (user.isEmpty())
            return false;
        authenticator->setUser(user);
        authenticator->setPassword("wave");
        return true;
    }
};

QString url(const QString& path) {
    return QString::fromStdString(qwtest::httpUrl(path.toStdString()));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QString wwwPath(const QString& name) {
    return QString::fromStdString(qwtest::wwwDir()) + "/" + name;
}

const QByteArray Text = QString::fromUtf8("Grüße\nline two\n").toUtf8();

} // namespace

class TestQHttpExt : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void recordLivesUntilNextCleanup();
    void requestAsSent_data();
    void requestAsSent();
    void redirects_data();
    void redirects();
    void redirectedDownloadHoldsOnlyTheTarget();
    void errors_data();
    void errors();
    void invalidInputSendsNothing();
    void failedDownloadLeavesNoFile_data();
    void failedDownloadLeavesNoFile();
    void resume();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void authentication_data();
    void authentication();
    void abortAllEndsEveryRequest();
    void removeInsideFinishedSignal();
    void sameIdLookupReturnsFirst();
    void pixmapSync();
    void defaultDialogs();

private:
    QTemporaryDir m_dir;
    QByteArray m_sine;
};

void TestQHttpExt::initTestCase() {
    QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP test server is not running");
    QVERIFY(m_dir.isValid());
    m_sine = readFile(wwwPath("sine.mp3"));
    QVERIFY(m_sine.size() > 10000);
    writeFile(wwwPath("qhttpext.txt"), Text);
}

void TestQHttpExt::recordLivesUntilNextCleanup() {
    ScriptedHttp http;
    const QString address = url("/files/qhttpext.txt");
    const int id = http.get(address, false);
    QVERIFY(id != 0);
    QCOMPARE(http.getInfo(id), http.started.value(0));
    const Outcome done = http.waitFor(id);
    QVERIFY(!done.error);
    QCOMPARE(done.url, address);
    QCOMPARE(done.text, QString::fromUtf8(Text));
    // Marked finished after its signal, deleted at the clean-up of the next finish.
    QVERIFY(http.getInfo(id) && http.getInfo(id)->finished);
    QCOMPARE(http.pendingCount(), 0);

    http.setRaw(true);
    const Outcome raw = http.waitFor(http.get(address, false));
    QVERIFY(raw.text.isEmpty());
    QCOMPARE(raw.data, Text);
    QVERIFY(!http.getInfo(id));
}

// What the server receives, read back from its echo path. The per-request settings (agent,
// body, range) must be gone by the second request.
void TestQHttpExt::requestAsSent_data() {
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArrayList>("present");
    QTest::addColumn<QByteArrayList>("absent");
    const QByteArray builtIn = "\r\nUser-Agent: " + QByteArray(QHttpExt::DefaultUserAgent) + "\r\n";
    const QByteArray charset = "\r\nAccept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n";
    const QByteArray accept =
        "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
    QTest::newRow("plain get") << "get" << url("/echo") << QByteArrayList{"GET /echo ", builtIn}
                               << QByteArrayList{charset, "Range:"};
    QTest::newRow("object agent") << "agent" << url("/echo")
                                  << QByteArrayList{"\r\nUser-Agent: Quillowave\r\n"}
                                  << QByteArrayList{builtIn};
    QTest::newRow("request agent and browser")
        << "browser" << url("/echo")
        << QByteArrayList{"\r\nUser-Agent: Probe/1.0\r\n", charset, accept}
        << QByteArrayList{"Quillowave"};
    QTest::newRow("initializing hook")
        << "hook" << url("/echo") << QByteArrayList{"\r\nIcy-MetaData: 1\r\n"} << QByteArrayList{};
    QTest::newRow("params") << "params" << url("/echo")
                            << QByteArrayList{"GET /echo?a=1&b=x%26y HTTP/1.1\r\n"}
                            << QByteArrayList{};
    QTest::newRow("params after ?")
        << "params" << url("/echo?") << QByteArrayList{"GET /echo?a=1&b=x%26y HTTP/1.1\r\n"}
        << QByteArrayList{"??"};
    QTest::newRow("params after query")
        << "params" << url("/echo?z=0&") << QByteArrayList{"GET /echo?z=0&a=1&b=x%26y HTTP"}
        << QByteArrayList{};
    const QByteArray body = "a=1&b=x%26y%20%3F";
    QTest::newRow("post") << "post" << url("/echo")
                          << QByteArrayList{"POST /echo HTTP/1.1\r\n",
                                            "\r\nContent-Length: " +
                                                QByteArray::number(body.size()) + "\r\n",
                                            "\r\n\r\n" + body}
                          << QByteArrayList{};
    QTest::newRow("post through 307")
        << "post" << url("/redirect/307?to=/echo")
        << QByteArrayList{"POST /echo HTTP/1.1\r\n", body} << QByteArrayList{};
    QTest::newRow("post through 303")
        << "post" << url("/redirect/303?to=/echo") << QByteArrayList{"GET /echo HTTP/1.1\r\n"}
        << QByteArrayList{"POST", body};
    // The test server also answers proxy requests: a host that does not exist is reached only
    // when the proxy is really used.
    QTest::newRow("proxy") << "proxy"
                           << "http://station.invalid/echo"
                           << QByteArrayList{"GET http://station.invalid/echo HTTP/1.1\r\n"}
                           << QByteArrayList{};
}

void TestQHttpExt::requestAsSent() {
    QFETCH(QString, call);
    QFETCH(QString, address);
    QFETCH(QByteArrayList, present);
    QFETCH(QByteArrayList, absent);
    ScriptedHttp http;
    int id = 0;
    if (call == "agent") {
        http.setDefaultUserAgent("Quillowave");
    } else if (call == "browser") {
        http.setDefaultUserAgent("Quillowave");
        http.setUserAgent("Probe/1.0");
        http.setBrowserHeaders(true);
    } else if (call == "hook") {
        connect(&http, &QHttpExt::sig_Initializing, &http,
                [](QNetworkRequest& request) { request.setRawHeader("Icy-MetaData", "1"); });
    } else if (call == "proxy") {
        const QUrl server(url("/"));
        http.setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy, server.host(), server.port()));
        QCOMPARE(http.proxy().type(), QNetworkProxy::HttpProxy);
    }
    const QMap<QString, QString> parameters{{"a", "1"}, {"", "dropped"}, {"b", "x&y ?"}};
    if (call == "params")
        id = http.get(address, {{"a", "1"}, {"", "dropped"}, {"b", "x&y"}}, false);
    else if (call == "post")
        id = http.post(address, parameters, false);
    else
        id = http.get(address, false);
    // Sent while the first is in flight: inherits none of its settings.
    const int concurrent = call == "post" ? http.get(url("/echo?second"), false) : 0;
    const Outcome done = http.waitFor(id);
    QVERIFY2(!done.error, qPrintable(done.errorString));
    for (const QByteArray& part : present)
        QVERIFY2(done.data.contains(part), done.data + "\nlacks: " + part);
    for (const QByteArray& part : absent)
        QVERIFY2(!done.data.contains(part), done.data + "\nholds: " + part);

    if (concurrent != 0)
        QVERIFY(http.waitFor(concurrent).data.startsWith("GET /echo?second HTTP/1.1\r\n"));
    const Outcome next = http.waitFor(http.get(url("/echo"), false));
    QVERIFY(next.data.startsWith("GET ") && next.data.contains("/echo HTTP/1.1\r\n"));
    QVERIFY(!next.data.contains("Probe/1.0"));
}

void TestQHttpExt::redirects_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("finalPath");
    const QString to = "?to=/files/qhttpext.txt";
    const QString target = "/files/qhttpext.txt";
    QTest::newRow("301") << "/redirect/301" + to << target;
    QTest::newRow("302") << "/redirect/302" + to << target;
    QTest::newRow("303") << "/redirect/303" + to << target;
    QTest::newRow("307") << "/redirect/307" + to << target;
    QTest::newRow("chain of three") << "/redirect/chain/3" + to << target;
    // Not followed: the answer itself is the result.
    QTest::newRow("302 to itself") << "/redirect/loop"
                                   << "/redirect/loop";
    QTest::newRow("308") << "/redirect/308" + to << "/redirect/308" + to;
}

void TestQHttpExt::redirects() {
    QFETCH(QString, path);
    QFETCH(QString, finalPath);
    ScriptedHttp http;
    const int id = http.get(url(path), false);
    const Outcome done = http.waitFor(id);
    QVERIFY2(!done.error, qPrintable(done.errorString));
    QCOMPARE(done.url, url(finalPath));
    QCOMPARE(done.data == Text, finalPath.startsWith("/files/"));
    // One record from start to end: started once, finished once, same id.
    QCOMPARE(http.startedIds, QList<int>{id});
    QCOMPARE(http.outcomes.size(), size_t(1));
}

void TestQHttpExt::redirectedDownloadHoldsOnlyTheTarget() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("redirected.mp3");
    const Outcome done =
        http.waitFor(http.download(url("/redirect/302?to=/redirect/307"), target, false));
    QVERIFY(!done.error);
    QVERIFY(done.data.isEmpty()); // written to disk, not kept in memory
    QCOMPARE(readFile(target), m_sine);
}

void TestQHttpExt::errors_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("code"); // -1: a code outside the table
    QTest::newRow("404") << url("/status/404") << 203;
    QTest::newRow("403") << url("/status/403") << 201;
    QTest::newRow("405") << url("/status/405") << 202;
    QTest::newRow("truncated body") << url("/truncated/sine.mp3") << 2;
    QTest::newRow("unknown scheme") << "quill://127.0.0.1/x" << 301;
    QTcpServer probe; // nothing listens on a port that was just released
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    QTest::newRow("refused") << QString("http://127.0.0.1:%1/").arg(port) << 1;
    QTest::newRow("500") << url("/status/500") << -1;
}

void TestQHttpExt::errors() {
    QFETCH(QString, address);
    QFETCH(int, code);
    const QString expected =
        code < 0 ? QString() : QHttpExt::errorText(QNetworkReply::NetworkError(code));
    QCOMPARE(expected.isEmpty(), code < 0);
    ScriptedHttp http;
    const Outcome quiet = http.waitFor(http.get(address, false));
    QVERIFY(quiet.error);
    QCOMPARE(quiet.errorString, expected);
    QCOMPARE(http.lastError(), expected);
    QVERIFY(http.messages.isEmpty());

    const Outcome shown = http.waitFor(http.get(address, true));
    QCOMPARE(shown.errorString, expected);
    QCOMPARE(http.messages.size(), 1);
    if (code > 0)
        QCOMPARE(http.messages.first(), "Error|" + expected);
    else
        QVERIFY(http.messages.first().contains("Internal Server Error"));
}

void TestQHttpExt::invalidInputSendsNothing() {
    ScriptedHttp http;
    const QString bad = "http://exa mple.com:99999/";
    QCOMPARE(http.get(bad, true), 0);
    QCOMPARE(http.lastError(), "Invalid URL: " + bad);
    QCOMPARE(http.messages.size(), 1);
    QCOMPARE(http.get("", false), 0);

    // A bad address does not cost the file already on disk.
    const QString existing = m_dir.filePath("keep.txt");
    writeFile(existing, "keep");
    QCOMPARE(http.download(bad, existing, false, true), 0);
    QCOMPARE(readFile(existing), QByteArray("keep"));
    QCOMPARE(http.download(url("/files/sine.mp3"), "", false), 0);
    QCOMPARE(http.download("", existing, false), 0);

    const QString unopenable = m_dir.filePath("no/such/folder/file.mp3");
    QCOMPARE(http.download(url("/files/sine.mp3"), unopenable, true), 0);
    QVERIFY(!http.lastError().isEmpty());
    QCOMPARE(http.messages.size(), 2);
    QVERIFY(http.messages.last().startsWith("Error|Unable to save file.<br><br>" + unopenable));
    QVERIFY(http.messages.last().contains("<b>" + http.lastError() + "</b>"));
    QVERIFY(http.startedIds.isEmpty());
}

void TestQHttpExt::failedDownloadLeavesNoFile_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<qint64>("resumeFrom");
    QTest::newRow("truncated") << "/truncated/sine.mp3?keep=5000" << qint64(0);
    QTest::newRow("missing") << "/files/absent.mp3" << qint64(0);
    QTest::newRow("truncated resume") << "/truncated/sine.mp3?keep=5000" << qint64(100);
}

void TestQHttpExt::failedDownloadLeavesNoFile() {
    QFETCH(QString, path);
    QFETCH(qint64, resumeFrom);
    ScriptedHttp http;
    const QString target = m_dir.filePath("failed.mp3");
    QFile::remove(target);
    if (resumeFrom > 0)
        writeFile(target, m_sine.left(resumeFrom));
    const Outcome done = http.waitFor(http.download(url(path), target, false, false, resumeFrom));
    QVERIFY(done.error);
    QVERIFY(!QFile::exists(target));
}

void TestQHttpExt::resume() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("resumed.mp3");
    writeFile(target, m_sine.left(4000));
    QVERIFY(!http.waitFor(http.download(url("/files/sine.mp3"), target, false, false, 4000)).error);
    QCOMPARE(readFile(target), m_sine);
    QVERIFY(http.overwriteQuestions.isEmpty());

    const QString echoed = m_dir.filePath("echo.txt");
    writeFile(echoed, "before\n");
    QVERIFY(!http.waitFor(http.download(url("/echo"), echoed, false, false, 7)).error);
    QVERIFY(readFile(echoed).startsWith("before\nGET /echo HTTP/1.1\r\n"));
    QVERIFY(readFile(echoed).contains("\r\nRange: bytes=7-\r\n"));
    // The range goes along when the download is redirected.
    const QString moved = m_dir.filePath("moved.txt");
    writeFile(moved, "1234");
    QVERIFY(
        !http.waitFor(http.download(url("/redirect/302?to=/echo"), moved, false, false, 4)).error);
    QVERIFY(readFile(moved).startsWith("1234GET /echo HTTP/1.1\r\n"));
    QVERIFY(readFile(moved).contains("\r\nRange: bytes=4-\r\n"));

    // A file that is gone starts again from 0, without Range.
    const QString gone = m_dir.filePath("gone.txt");
    QVERIFY(!http.waitFor(http.download(url("/echo"), gone, false, false, 500)).error);
    QVERIFY(readFile(gone).startsWith("GET /echo HTTP/1.1\r\n"));
    QVERIFY(!readFile(gone).contains("Range:"));
}

void TestQHttpExt::overwriteQuestion_data() {
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("cancel keeps the file") << false << false << true << false;
    QTest::newRow("ok replaces") << false << true << true << true;
    QTest::newRow("overwrite asks nothing") << true << false << false << true;
}

void TestQHttpExt::overwriteQuestion() {
    QFETCH(bool, overwrite);
    QFETCH(bool, answer);
    QFETCH(bool, replaced);
    ScriptedHttp http;
    http.overwriteAnswer = answer;
    const QString target = m_dir.filePath("exists.mp3");
    writeFile(target, "old content");
    const int id = http.download(url("/files/sine.mp3"), target, false, overwrite);
    QTEST(http.overwriteQuestions == QStringList{target}, "asked");
    QCOMPARE(id != 0, replaced);
    if (id != 0)
        QVERIFY(!http.waitFor(id).error);
    QCOMPARE(readFile(target), replaced ? m_sine : QByteArray("old content"));
}

void TestQHttpExt::authentication_data() {
    QTest::addColumn<QString>("preset"); // "user:password", empty for none
    QTest::addColumn<QString>("dialogUser");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("asked");
    QTest::newRow("preset") << "quill:wave"
                            << "" << true << false;
    QTest::newRow("wrong preset") << "quill:nope"
                                  << "quill" << false << false;
    QTest::newRow("dialog cancelled") << ""
                                      << "" << false << true;
    QTest::newRow("dialog answered") << ""
                                     << "quill" << true << true;
}

void TestQHttpExt::authentication() {
    QFETCH(QString, preset);
    QFETCH(QString, dialogUser);
    QFETCH(bool, accepted);
    ScriptedHttp http;
    http.user = dialogUser;
    if (!preset.isEmpty()) {
        QAuthenticator authenticator;
        authenticator.setUser(preset.section(':', 0, 0));
        authenticator.setPassword(preset.section(':', 1));
        http.setAuthenticator(authenticator);
    }
    const QString address = url("/auth/qhttpext.txt");
    const Outcome done = http.waitFor(http.get(address, false));
    QCOMPARE(!done.error, accepted);
    QCOMPARE(done.data, accepted ? Text : QByteArray());
    if (!accepted)
        QCOMPARE(done.errorString, QHttpExt::errorText(QNetworkReply::AuthenticationRequiredError));
    QTEST(!http.credentialQuestions.isEmpty(), "asked");
    if (!http.credentialQuestions.isEmpty())
        QCOMPARE(http.credentialQuestions.first(), "Quillowave Test|" + address);
}

void TestQHttpExt::abortAllEndsEveryRequest() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("aborted.mp3");
    const QList<int> ids{http.get(url("/hang?seconds=60"), true),
                         http.get(url("/hang?seconds=60"), true),
                         http.download(url("/slow/sine.mp3?rate=500"), target, true, true)};
    QVERIFY(!ids.contains(0));
    QCOMPARE(http.pendingCount(), 3);
    qint64 received = 0;
    connect(&http, &QHttpExt::sig_ReadProgress, &http,
            [&](qint64 bytes, qint64) { received = bytes; });
    QTRY_VERIFY_WITH_TIMEOUT(received > 0, 30000); // the download is under way
    http.abortAll();
    QTRY_COMPARE_WITH_TIMEOUT(http.outcomes.size(), size_t(3), 30000);
    for (const Outcome& o : http.outcomes) {
        QVERIFY(ids.contains(o.id));
        QCOMPARE(o.errorString, QHttpExt::errorText(QNetworkReply::OperationCanceledError));
    }
    QCOMPARE(http.pendingCount(), 0);
    QVERIFY(!QFile::exists(target));
    QVERIFY(http.messages.isEmpty()); // an abort the caller asked for is not shown as an error
    QVERIFY(http.isCancelled());

    QVERIFY(!http.waitFor(http.get(url("/files/qhttpext.txt"), false)).error);
    QVERIFY(!http.isCancelled());

    // Destroying the object mid-download is a failed download too.
    {
        ScriptedHttp dropped;
        QVERIFY(dropped.download(url("/slow/sine.mp3?rate=500"), target, false, true) != 0);
        QVERIFY(QFile::exists(target));
    }
    QVERIFY(!QFile::exists(target));
}

void TestQHttpExt::removeInsideFinishedSignal() {
    ScriptedHttp http;
    int removed = 0;
    connect(&http, &QHttpExt::sig_Finished, &http,
            [&](const QHttpExt::httpInfo* info) { removed += http.removeInfo(info->id); });
    const int first = http.get(url("/files/qhttpext.txt"), false);
    const int second = http.get(url("/status/404"), false);
    QVERIFY(!http.waitFor(first).error);
    QVERIFY(http.waitFor(second).error);
    QCOMPARE(removed, 2);
    QVERIFY(!http.getInfo(first) && !http.getInfo(second));
    QVERIFY(!http.removeInfo(first));
}

void TestQHttpExt::sameIdLookupReturnsFirst() {
    const QString address = url("/files/qhttpext.txt");
    // Ids are the URL's hash plus the millisecond: two sends within one millisecond collide.
    // A fresh client per attempt, so that an earlier attempt's record cannot share the id.
    for (int attempt = 0; attempt < 50; ++attempt) {
        ScriptedHttp http;
        const int a = http.get(address, false);
        if (a == http.get(address, false)) {
            QCOMPARE(http.getInfo(a), http.started.at(0));
            return;
        }
    }
    QSKIP("no two requests fell into the same millisecond");
}

void TestQHttpExt::pixmapSync() {
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(wwwPath("qhttpext.png")));
    ScriptedHttp http;
    QPixmap pixmap;
    QVERIFY(http.getPixmapSync(url("/files/qhttpext.png"), pixmap));
    QCOMPARE(pixmap.size(), QSize(7, 5));
    QPixmap missing;
    QVERIFY(http.getPixmapSync(url("/files/absent.png"), missing));
    QVERIFY(missing.isNull());
    QVERIFY(!http.getPixmapSync("", missing));
    QVERIFY(http.startedIds.isEmpty()); // a private manager: no records
}

// The dialogs a caller gets without overriding the hooks, answered as a user would.
void TestQHttpExt::defaultDialogs() {
    QStringList seen;
    QTimer user;
    connect(&user, &QTimer::timeout, &user, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        seen << dialog->windowTitle();
        for (QLabel* label : dialog->findChildren<QLabel*>())
            seen << label->text();
        const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
        if (fields.size() == 2) {
            fields.at(0)->setText("quill");
            fields.at(1)->setText("wave");
        }
        if (auto* box = qobject_cast<QMessageBox*>(dialog))
            box->button(QMessageBox::Ok)->click();
        else
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    user.start(20);

    QHttpExt http;
    const QString target = m_dir.filePath("asked.mp3");
    writeFile(target, "old");
    QVERIFY(http.download(url("/files/qhttpext.txt"), target, false) != 0);
    QVERIFY(seen.contains("Download"));
    QVERIFY(seen.contains("There already exists a file called " + target +
                          " in the current directory. Overwrite?"));

    QString text;
    connect(&http, &QHttpExt::sig_Finished, &http,
            [&](const QHttpExt::httpInfo* info) { text = info->text; });
    const QString address = url("/auth/");
    QVERIFY(http.get(address, false) != 0);
    QTRY_COMPARE_WITH_TIMEOUT(text, QString("authorized\n"), 30000);
    QVERIFY(seen.contains("Http authentication required"));
    QVERIFY(seen.contains("Quillowave Test at " + address));
    QTRY_COMPARE_WITH_TIMEOUT(readFile(target), Text, 30000);
}

QTEST_MAIN(TestQHttpExt)
#include "tst_qhttpext.moc"
