// The HTTP client against the loopback test server: records and ids, redirects, downloads with
// resume and the overwrite question, headers, authentication, error texts, abortAll.

#include "qtext/qhttpext.h"
#include "support/fixture.h"

#include <QFile>
#include <QImage>
#include <QNetworkRequest>
#include <QPixmap>
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
    bool error = false;
    bool finishedFlag = false;
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
    QString password;
    std::vector<Outcome> outcomes;
    QList<const httpInfo*> started; // valid only while the records live
    QList<int> startedIds;

    ScriptedHttp() {
        connect(this, &QHttpExt::sig_Started, this, [this](const httpInfo* info) {
            started.append(info);
            startedIds.append(info->id);
        });
        connect(this, &QHttpExt::sig_Finished, this, [this](const httpInfo* info) {
            outcomes.push_back({info->id, info->error, info->finished, info->url, info->text,
                                info->errorString, info->data});
        });
    }

    // Waits for the request's end (the latest request of that id: ids can repeat); generous,
    // the server answers in milliseconds.
    Outcome waitFor(int id) {
        const auto finishedAll = [&] {
            return std::count_if(outcomes.begin(), outcomes.end(), [&](const Outcome& o) {
                       return o.id == id;
                   }) == startedIds.count(id);
        };
        if (id == 0 || !QTest::qWaitFor(finishedAll, 30000))
            return {-1, true, false, {}, {}, QStringLiteral("no answer"), {}};
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
        authenticator->setPassword(password);
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

QString wwwPath(const QString& name) {
    return QString::fromStdString(qwtest::wwwDir()) + "/" + name;
}

} // namespace

class TestQHttpExt : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void getFillsRecordAndKeepsItUntilNextCleanup();
    void getWithParameters_data();
    void getWithParameters();
    void postSendsFormBody();
    void headers_data();
    void headers();
    void initializingSignalAddsHeaders();
    void redirects_data();
    void redirects();
    void redirectToSameUrlFinishesNormally();
    void redirectedDownloadHoldsOnlyTheTarget();
    void errors_data();
    void errors();
    void invalidUrlSendsNothing();
    void failedDownloadLeavesNoFile_data();
    void failedDownloadLeavesNoFile();
    void resumeSendsRangeAndAppends();
    void resumeOfMissingFileStartsFromZero();
    void overwriteQuestion_data();
    void overwriteQuestion();
    void unopenableTargetFile();
    void presetAuthenticator_data();
    void presetAuthenticator();
    void authenticationDialogHook();
    void abortAllEndsEveryRequest();
    void removeInsideFinishedSignal();
    void sameIdLookupReturnsFirst();
    void pixmapSync();
    void proxy();

private:
    QTemporaryDir m_dir;
    QByteArray m_sine;
};

void TestQHttpExt::initTestCase() {
    QVERIFY2(!qwtest::httpUrl("/").empty(), "the HTTP test server is not running");
    QVERIFY(m_dir.isValid());
    m_sine = readFile(wwwPath("sine.mp3"));
    QVERIFY(m_sine.size() > 10000);
    QFile text(wwwPath("qhttpext.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QString::fromUtf8("Grüße\nline two\n").toUtf8());
}

void TestQHttpExt::getFillsRecordAndKeepsItUntilNextCleanup() {
    ScriptedHttp http;
    const QString first = url("/files/qhttpext.txt");
    const int id = http.get(first, false);
    QVERIFY(id != 0);
    QCOMPARE(http.started.size(), 1);
    QCOMPARE(http.started.first()->id, id);
    QCOMPARE(http.getInfo(id), http.started.first());

    const Outcome done = http.waitFor(id);
    QVERIFY(!done.error);
    QVERIFY(!done.finishedFlag);
    QCOMPARE(done.url, first);
    QCOMPARE(done.text, QString::fromUtf8("Grüße\nline two\n"));
    QCOMPARE(done.data, QString::fromUtf8("Grüße\nline two\n").toUtf8());
    // Marked finished after its signal, deleted only at the clean-up of the next finish.
    QVERIFY(http.getInfo(id));
    QVERIFY(http.getInfo(id)->finished);
    QCOMPARE(http.pendingCount(), 0);

    http.setRaw(true);
    const int second = http.get(url("/files/qhttpext.txt"), false);
    const Outcome raw = http.waitFor(second);
    QVERIFY(raw.text.isEmpty());
    QCOMPARE(raw.data, QString::fromUtf8("Grüße\nline two\n").toUtf8());
    QVERIFY(!http.getInfo(id));
    QVERIFY(http.getInfo(second));
}

void TestQHttpExt::getWithParameters_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("requestLine");
    QTest::newRow("no question mark") << "/echo" << QByteArray("GET /echo?a=1&b=x%26y HTTP/1.1");
    QTest::newRow("question mark kept single")
        << "/echo?" << QByteArray("GET /echo?a=1&b=x%26y HTTP/1.1");
    QTest::newRow("existing query")
        << "/echo?z=0&" << QByteArray("GET /echo?z=0&a=1&b=x%26y HTTP/1.1");
}

void TestQHttpExt::getWithParameters() {
    QFETCH(QString, path);
    QFETCH(QByteArray, requestLine);
    ScriptedHttp http;
    const QMap<QString, QString> parameters{{"a", "1"}, {"", "dropped"}, {"b", "x&y"}};
    const Outcome done = http.waitFor(http.get(url(path), parameters, false));
    QVERIFY(!done.error);
    QCOMPARE(done.data.left(done.data.indexOf("\r\n")), requestLine);
}

void TestQHttpExt::postSendsFormBody() {
    ScriptedHttp http;
    const QMap<QString, QString> form{{"name", "Radio One & Two"}, {"comment", "50% better?"}};
    const Outcome done = http.waitFor(http.post(url("/echo"), form, false));
    QVERIFY(!done.error);
    QVERIFY(done.data.startsWith("POST /echo HTTP/1.1\r\n"));
    const QByteArray body = "comment=50%25%20better%3F&name=Radio%20One%20%26%20Two";
    QVERIFY(done.data.endsWith("\r\n\r\n" + body));
    QVERIFY(done.data.contains("Content-Length: " + QByteArray::number(body.size()) + "\r\n"));

    // The body belongs to that one request: the next get is a plain GET again.
    const Outcome next = http.waitFor(http.get(url("/echo"), false));
    QVERIFY(next.data.startsWith("GET /echo HTTP/1.1\r\n"));
}

void TestQHttpExt::headers_data() {
    QTest::addColumn<QString>("defaultAgent");
    QTest::addColumn<QString>("requestAgent");
    QTest::addColumn<bool>("browser");
    QTest::addColumn<QByteArray>("expectedAgent");
    QTest::newRow("built-in") << ""
                              << "" << false << QByteArray(QHttpExt::DefaultUserAgent);
    QTest::newRow("object default") << "Quillowave"
                                    << "" << false << QByteArray("Quillowave");
    QTest::newRow("per request wins") << "Quillowave"
                                      << "Probe/1.0" << true << QByteArray("Probe/1.0");
}

void TestQHttpExt::headers() {
    QFETCH(QString, defaultAgent);
    QFETCH(QString, requestAgent);
    QFETCH(bool, browser);
    QFETCH(QByteArray, expectedAgent);
    ScriptedHttp http;
    http.setDefaultUserAgent(defaultAgent);
    http.setUserAgent(requestAgent);
    http.setBrowserHeaders(browser);
    const Outcome done = http.waitFor(http.get(url("/echo"), false));
    QVERIFY2(done.data.contains("\r\nUser-Agent: " + expectedAgent + "\r\n"), done.data);
    QCOMPARE(done.data.contains("\r\nAccept-Charset: ISO-8859-1,utf-8;q=0.7,*;q=0.7\r\n"), browser);
    QCOMPARE(done.data.contains("\r\nAccept: text/html,application/xhtml+xml,application/"
                                "xml;q=0.9,*/*;q=0.8\r\n"),
             browser);
    QVERIFY(!done.data.contains("\r\nRange:"));

    // The per-request agent lasts for one request only.
    const Outcome next = http.waitFor(http.get(url("/echo"), false));
    const QByteArray fallback =
        defaultAgent.isEmpty() ? QByteArray(QHttpExt::DefaultUserAgent) : defaultAgent.toUtf8();
    QVERIFY(next.data.contains("\r\nUser-Agent: " + fallback + "\r\n"));
}

void TestQHttpExt::initializingSignalAddsHeaders() {
    ScriptedHttp http;
    connect(&http, &QHttpExt::sig_Initializing, &http,
            [](QNetworkRequest& request) { request.setRawHeader("Icy-MetaData", "1"); });
    const Outcome done = http.waitFor(http.get(url("/echo"), false));
    QVERIFY(done.data.contains("\r\nIcy-MetaData: 1\r\n"));
}

void TestQHttpExt::redirects_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("301") << "/redirect/301?to=/files/qhttpext.txt";
    QTest::newRow("302") << "/redirect/302?to=/files/qhttpext.txt";
    QTest::newRow("303") << "/redirect/303?to=/files/qhttpext.txt";
    QTest::newRow("307") << "/redirect/307?to=/files/qhttpext.txt";
    QTest::newRow("chain of three") << "/redirect/chain/3?to=/files/qhttpext.txt";
}

void TestQHttpExt::redirects() {
    QFETCH(QString, path);
    ScriptedHttp http;
    const int id = http.get(url(path), false);
    const Outcome done = http.waitFor(id);
    QVERIFY2(!done.error, qPrintable(done.errorString));
    QCOMPARE(done.text, QString::fromUtf8("Grüße\nline two\n"));
    QCOMPARE(done.url, url("/files/qhttpext.txt"));
    // One record from start to end: started once, finished once, same id.
    QCOMPARE(http.started.size(), 1);
    QCOMPARE(http.outcomes.size(), size_t(1));
    QCOMPARE(done.id, id);
}

void TestQHttpExt::redirectToSameUrlFinishesNormally() {
    ScriptedHttp http;
    const QString loop = url("/redirect/loop");
    const Outcome done = http.waitFor(http.get(loop, false));
    QVERIFY(!done.error);
    QCOMPARE(done.url, loop);
    QCOMPARE(http.outcomes.size(), size_t(1));

    // 308 is not one of the redirects followed: the answer itself is the result.
    const QString permanent = url("/redirect/308?to=/files/qhttpext.txt");
    const Outcome unfollowed = http.waitFor(http.get(permanent, false));
    QCOMPARE(unfollowed.url, permanent);
    QVERIFY(!unfollowed.text.contains("line two"));
}

void TestQHttpExt::redirectedDownloadHoldsOnlyTheTarget() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("redirected.mp3");
    const int id = http.download(url("/redirect/302?to=/redirect/307"), target, false);
    QVERIFY(id != 0);
    const Outcome done = http.waitFor(id);
    QVERIFY(!done.error);
    QVERIFY(done.data.isEmpty()); // written to disk, not kept in memory
    QCOMPARE(readFile(target), m_sine);
}

void TestQHttpExt::errors_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("code");
    QTest::newRow("404") << url("/status/404") << 203;
    QTest::newRow("403") << url("/status/403") << 201;
    QTest::newRow("405") << url("/status/405") << 202;
    QTest::newRow("truncated body") << url("/truncated/sine.mp3") << 2;
    QTest::newRow("unknown scheme") << "quill://127.0.0.1/x" << 301;
    // Nothing listens on a port that was just released.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    QTest::newRow("refused") << QString("http://127.0.0.1:%1/").arg(port) << 1;
    // Codes outside the table give an empty text but still an error.
    QTest::newRow("500 not in table") << url("/status/500") << -1;
}

void TestQHttpExt::errors() {
    QFETCH(QString, address);
    QFETCH(int, code);
    ScriptedHttp http;
    const Outcome quiet = http.waitFor(http.get(address, false));
    QVERIFY(quiet.error);
    const QString expected =
        code < 0 ? QString() : QHttpExt::errorText(QNetworkReply::NetworkError(code));
    QCOMPARE(code < 0, expected.isEmpty());
    QCOMPARE(quiet.errorString, expected);
    QCOMPARE(http.lastError(), expected);
    QVERIFY(http.messages.isEmpty());

    // With showErrors the same text reaches the user.
    const Outcome shown = http.waitFor(http.get(address, true));
    QCOMPARE(shown.errorString, expected);
    QCOMPARE(http.messages.size(), 1);
    QVERIFY(http.messages.first().endsWith("|" + expected));
}

void TestQHttpExt::invalidUrlSendsNothing() {
    ScriptedHttp http;
    QCOMPARE(http.get("http://exa mple.com:99999/", true), 0);
    QCOMPARE(http.lastError(), QString("Invalid URL: http://exa mple.com:99999/"));
    QCOMPARE(http.messages.size(), 1);
    QCOMPARE(http.get("", false), 0);
    QVERIFY(http.started.isEmpty());

    // A bad address does not cost an existing file.
    const QString existing = m_dir.filePath("keep.txt");
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    QCOMPARE(http.download("http://exa mple.com:99999/", existing, false, true), 0);
    QCOMPARE(readFile(existing), QByteArray("keep"));
    QCOMPARE(http.download(url("/files/sine.mp3"), "", false), 0);
    QCOMPARE(http.download("", existing, false), 0);
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
    if (resumeFrom > 0) {
        QFile partial(target);
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write(m_sine.left(resumeFrom));
    }
    const int id = http.download(url(path), target, false, false, resumeFrom);
    QVERIFY(id != 0);
    const Outcome done = http.waitFor(id);
    QVERIFY(done.error);
    QVERIFY(!QFile::exists(target));
}

void TestQHttpExt::resumeSendsRangeAndAppends() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("resumed.mp3");
    {
        QFile partial(target);
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write(m_sine.left(4000));
    }
    const Outcome done =
        http.waitFor(http.download(url("/files/sine.mp3"), target, false, false, 4000));
    QVERIFY2(!done.error, qPrintable(done.errorString));
    QCOMPARE(readFile(target), m_sine);
    QVERIFY(http.overwriteQuestions.isEmpty());

    // What the server received, seen through the echo path.
    const QString echoed = m_dir.filePath("echo.txt");
    {
        QFile partial(echoed);
        QVERIFY(partial.open(QIODevice::WriteOnly));
        partial.write("before\n");
    }
    QVERIFY(!http.waitFor(http.download(url("/echo"), echoed, false, false, 7)).error);
    const QByteArray text = readFile(echoed);
    QVERIFY(text.startsWith("before\nGET /echo HTTP/1.1\r\n"));
    QVERIFY(text.contains("\r\nRange: bytes=7-\r\n"));

    // The range belonged to that download only.
    const Outcome next = http.waitFor(http.get(url("/echo"), false));
    QVERIFY(!next.data.contains("Range:"));
}

void TestQHttpExt::resumeOfMissingFileStartsFromZero() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("never-there.txt");
    QFile::remove(target);
    QVERIFY(!http.waitFor(http.download(url("/echo"), target, false, false, 500)).error);
    const QByteArray text = readFile(target);
    QVERIFY(text.startsWith("GET /echo HTTP/1.1\r\n"));
    QVERIFY(!text.contains("Range:"));
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
    ScriptedHttp http;
    http.overwriteAnswer = answer;
    const QString target = m_dir.filePath("exists.mp3");
    {
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content that is longer than nothing");
    }
    const int id = http.download(url("/files/sine.mp3"), target, false, overwrite);
    QTEST(!http.overwriteQuestions.isEmpty(), "asked");
    if (!http.overwriteQuestions.isEmpty())
        QCOMPARE(http.overwriteQuestions.first(), target);
    QFETCH(bool, replaced);
    QCOMPARE(id != 0, replaced);
    if (id != 0)
        QVERIFY(!http.waitFor(id).error);
    QCOMPARE(readFile(target) == m_sine, replaced);
    QVERIFY(http.started.size() == (replaced ? 1 : 0));
}

void TestQHttpExt::unopenableTargetFile() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("no/such/folder/file.mp3");
    QCOMPARE(http.download(url("/files/sine.mp3"), target, true), 0);
    QVERIFY(!http.lastError().isEmpty());
    QCOMPARE(http.messages.size(), 1);
    QVERIFY(http.messages.first().startsWith("Error|Unable to save file.<br><br>" + target));
    QVERIFY(http.messages.first().contains("<b>" + http.lastError() + "</b>"));
    QVERIFY(http.started.isEmpty());
}

void TestQHttpExt::presetAuthenticator_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("right") << "quill"
                           << "wave" << true;
    QTest::newRow("wrong password") << "quill"
                                    << "nope" << false;
}

void TestQHttpExt::presetAuthenticator() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);
    ScriptedHttp http;
    QAuthenticator preset;
    preset.setUser(user);
    preset.setPassword(password);
    http.setAuthenticator(preset);
    const Outcome done = http.waitFor(http.get(url("/auth/"), false));
    QCOMPARE(!done.error, accepted);
    QCOMPARE(done.text, accepted ? QString("authorized\n") : QString());
    if (!accepted)
        QCOMPARE(done.errorString, QHttpExt::errorText(QNetworkReply::AuthenticationRequiredError));
    // The preset answers; the dialog is never shown.
    QVERIFY(http.credentialQuestions.isEmpty());
}

void TestQHttpExt::authenticationDialogHook() {
    ScriptedHttp http;
    const QString address = url("/auth/qhttpext.txt");
    const Outcome refused = http.waitFor(http.get(address, false));
    QVERIFY(refused.error);
    QCOMPARE(http.credentialQuestions, QStringList{"Quillowave Test|" + address});

    ScriptedHttp answered;
    answered.user = "quill";
    answered.password = "wave";
    const Outcome done = answered.waitFor(answered.get(address, false));
    QVERIFY2(!done.error, qPrintable(done.errorString));
    QCOMPARE(done.text, QString::fromUtf8("Grüße\nline two\n"));
}

void TestQHttpExt::abortAllEndsEveryRequest() {
    ScriptedHttp http;
    const QString target = m_dir.filePath("aborted.mp3");
    QList<int> ids{http.get(url("/hang?seconds=60"), true), http.get(url("/hang?seconds=60"), true),
                   http.download(url("/slow/sine.mp3?rate=500"), target, true, true)};
    QVERIFY(!ids.contains(0));
    QCOMPARE(http.pendingCount(), 3);
    // Let the download get under way before cutting it.
    qint64 received = 0;
    connect(&http, &QHttpExt::sig_ReadProgress, &http,
            [&](qint64 bytes, qint64) { received = bytes; });
    QTRY_VERIFY_WITH_TIMEOUT(received > 0, 30000);
    http.abortAll();
    QTRY_COMPARE_WITH_TIMEOUT(http.outcomes.size(), size_t(3), 30000);
    QVERIFY(http.isCancelled());
    const QString aborted = QHttpExt::errorText(QNetworkReply::OperationCanceledError);
    for (const Outcome& o : http.outcomes) {
        QVERIFY(ids.contains(o.id));
        QVERIFY(o.error);
        QCOMPARE(o.errorString, aborted);
    }
    QCOMPARE(http.pendingCount(), 0);
    QVERIFY(!QFile::exists(target));
    QVERIFY(http.messages.isEmpty()); // an abort the caller asked for is not an error to show

    // The object stays usable and the flag belongs to the aborted batch.
    const Outcome later = http.waitFor(http.get(url("/files/qhttpext.txt"), false));
    QVERIFY(!later.error);
    QVERIFY(!http.isCancelled());
}

void TestQHttpExt::removeInsideFinishedSignal() {
    ScriptedHttp http;
    int removed = 0;
    connect(&http, &QHttpExt::sig_Finished, &http,
            [&](const QHttpExt::httpInfo* info) { removed += http.removeInfo(info->id) ? 1 : 0; });
    const int first = http.get(url("/files/qhttpext.txt"), false);
    const int second = http.get(url("/status/404"), false);
    QVERIFY(!http.waitFor(first).error);
    QVERIFY(http.waitFor(second).error);
    QCOMPARE(removed, 2);
    QVERIFY(!http.getInfo(first));
    QVERIFY(!http.getInfo(second));
    QVERIFY(!http.removeInfo(first));
    QVERIFY(!http.removeInfo(nullptr));
}

void TestQHttpExt::sameIdLookupReturnsFirst() {
    ScriptedHttp http;
    const QString address = url("/files/qhttpext.txt");
    // Ids are the URL's hash plus the millisecond: two sends within one millisecond collide.
    for (int attempt = 0; attempt < 50; ++attempt) {
        const qsizetype before = http.started.size();
        const int a = http.get(address, false);
        const int b = http.get(address, false);
        QCOMPARE(http.started.size(), before + 2);
        if (a == b) {
            QCOMPARE(http.getInfo(a), http.started.at(before));
            QVERIFY(http.getInfo(a) != http.started.at(before + 1));
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
    QVERIFY(http.started.isEmpty()); // private manager: no records
}

void TestQHttpExt::proxy() {
    // The test server also answers proxy requests, so a host that does not exist is reached
    // through it only when the proxy is really used.
    const QUrl server(url("/"));
    ScriptedHttp http;
    http.setProxy(QNetworkProxy(QNetworkProxy::DefaultProxy, server.host(), server.port()));
    QCOMPARE(http.proxy().type(), QNetworkProxy::HttpProxy);
    const Outcome done = http.waitFor(http.get("http://station.invalid/echo", false));
    QVERIFY2(!done.error, qPrintable(done.errorString));
    QVERIFY(done.data.startsWith("GET http://station.invalid/echo HTTP/1.1\r\n"));
}

QTEST_MAIN(TestQHttpExt)
#include "tst_qhttpext.moc"
