// quillowave-cli as a user runs it: the printed event lines, the songs and the exit codes.

#include "support/fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void playsAndPrintsEvents();
    void resolvesPlaylist();
    void failures_data();
    void failures();
    void shownTextsAreClean();

private:
    // Runs the program to its end and returns its output; code receives the exit code.
    QString run(const QStringList& arguments, int& code);
    QString m_program;
};

void TestCli::initTestCase() {
    // The test runs from BUILD/tests/bass/live; the program is BUILD/src/cli/quillowave-cli.
    m_program = QDir(QCoreApplication::applicationDirPath())
                    .absoluteFilePath("../../../src/cli/quillowave-cli");
    QVERIFY2(QFile::exists(m_program), qPrintable(m_program));
    QVERIFY(!qwtest::icecastUrl("/opus").empty());
}

QString TestCli::run(const QStringList& arguments, int& code) {
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
    }
    code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

void TestCli::playsAndPrintsEvents() {
    int code = -1;
    const QString out =
        run({"play", QString::fromStdString(qwtest::icecastUrl("/opus")), "--seconds", "2"}, code);
    QCOMPARE(code, 0);
    const QStringList expected = {
        "] connecting kind 1", "] song ",   "] playing http://", "] station Quillowave Test",
        "] format ",           "] stopped", "] elapsed "};
    qsizetype from = 0;
    for (const QString& line : expected) {
        const qsizetype at = out.indexOf(line, from);
        QVERIFY2(at >= 0, qPrintable(line + " missing or out of order in:\n" + out));
        from = at;
    }
}

void TestCli::resolvesPlaylist() {
    const QString list = QDir(QString::fromStdString(qwtest::wwwDir())).filePath("cli.m3u");
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    // Another player's option line stands between the live entry's header and its address.
    file.write("#EXTM3U\n#EXTINF:-1,dead\nhttp://127.0.0.1:9/dead\n#EXTINF:-1,live\n"
               "#KODIPROP:inputstream=adaptive\n" +
               QByteArray::fromStdString(qwtest::icecastUrl("/opus")) + "\n");
    file.close();
    int code = -1;
    const QString out =
        run({"play", QString::fromStdString(qwtest::httpUrl("/files/cli.m3u")), "--seconds", "1"},
            code);
    QFile::remove(list);
    QCOMPARE(code, 0);
    QVERIFY2(out.contains("] candidates http://127.0.0.1:9/dead http://"), qPrintable(out));
    QVERIFY2(out.contains("] playing " + QString::fromStdString(qwtest::icecastUrl("/opus"))),
             qPrintable(out));
}

namespace {

QString http(const char* path) {
    return QString::fromStdString(qwtest::httpUrl(path));
}

} // namespace

void TestCli::failures_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("no command") << QStringList{} << 1 << "error: no command given";
    QTest::newRow("unknown command")
        << QStringList{"rewind", "http://x/"} << 1 << "error: unknown command \"rewind\"";
    QTest::newRow("unknown format") << QStringList{"record", "http://x/", "--format", "mp4"} << 1
                                    << "error: --format: \"mp4\" is not a format";
    QTest::newRow("missing address") << QStringList{"play"} << 1 << "error: play needs an address";
    QTest::newRow("two addresses")
        << QStringList{"play", "http://x/", "http://y/"} << 1 << "one address only";
    QTest::newRow("device not a number")
        << QStringList{"play", "http://x/", "--device", "abc"} << 1
        << "error: --device: \"abc\" is not a valid number";
    QTest::newRow("seconds not a number")
        << QStringList{"play", "http://x/", "--seconds", "two"} << 1
        << "error: --seconds: \"two\" is not a valid number";
    QTest::newRow("negative time-out")
        << QStringList{"play", "http://x/", "--timeout", "-3"} << 1
        << "error: --timeout: \"-3\" is not a valid number";
    QTest::newRow("unknown option") << QStringList{"play", "http://x/", "--loud"} << 1
                                    << "error: Unknown option 'loud'";
    QTest::newRow("help names defaults and exit codes")
        << QStringList{"--help"} << 0 << "Exit codes:\n  0  played";
    QTest::newRow("devices") << QStringList{"devices"} << 0 << "0: No sound\n1: Default";
    QTest::newRow("unauthorized shows the status line")
        << QStringList{"play", http("/auth/")} << 2
        << "] error: Can't open the file (HTTP/1.1 401 Unauthorized)";
    QTest::newRow("trickled answer times out")
        << QStringList{"play", http("/slow/sine.mp3?rate=1"), "--timeout", "2"} << 4
        << "] error: Connection timed out";
    QTest::newRow("stalled playlist server")
        << QStringList{"play", http("/hang/list.pls?seconds=30"), "--timeout", "2"} << 3
        << "] error: The connection to the remote server timed out";
    QTest::newRow("endless stream as playlist")
        << QStringList{"play", http("/icy/list.pls?seconds=60&rate=2000000&status=http")} << 3
        << "] error: The download is larger than 1024 KB";
    QTest::newRow("stream drops before the seconds")
        << QStringList{"play", http("/truncated/sine.mp3?keep=30000"), "--seconds", "30"} << 6
        << "] error: the stream ended after ";
    QTest::newRow("nothing listens")
        << QStringList{"play", "http://127.0.0.1:9/none"} << 2 << "] error: ";
    QTest::newRow("not audio") << QStringList{"play", QString::fromStdString(
                                                          qwtest::httpUrl("/status/404"))}
                               << 2 << "] error: ";
    QTest::newRow("playlist missing")
        << QStringList{"play", QString::fromStdString(qwtest::httpUrl("/files/absent.pls"))} << 3
        << "] error: ";
}

void TestCli::failures() {
    QFETCH(QStringList, arguments);
    QFETCH(int, code);
    QFETCH(QString, text);
    int exitCode = -1;
    const QString out = run(arguments, exitCode);
    QCOMPARE(exitCode, code);
    QVERIFY2(out.contains(text), qPrintable(out));
}

void TestCli::shownTextsAreClean() {
    // A metadata block without StreamTitle, with control characters; a file without an
    // announced rate, whose rate the format line must still give.
    int code = -1;
    const QString out =
        run({"play", http("/icy?raw=1&interval=60&titles=A%01B%20-%20C%07D"), "--seconds", "1"},
            code);
    QCOMPARE(code, 0);
    QVERIFY2(out.contains("] song A B - C D\n"), qPrintable(out));
    for (const QChar c : out)
        QVERIFY2(!c.isNull() && (c == u'\n' || c.category() != QChar::Other_Control),
                 qPrintable(out));
    const QString file = run({"play", http("/files/sine.mp3"), "--seconds", "1"}, code);
    QCOMPARE(code, 0);
    QVERIFY2(file.contains(", 128 kbps\n"), qPrintable(file));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
