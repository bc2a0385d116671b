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
    file.write("#EXTM3U\n#EXTINF:-1,dead\nhttp://127.0.0.1:9/dead\n#EXTINF:-1,live\n" +
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

void TestCli::failures_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("no command") << QStringList{} << 1 << "";
    QTest::newRow("unknown command") << QStringList{"rewind", "http://x/"} << 1 << "";
    QTest::newRow("unknown format")
        << QStringList{"record", "http://x/", "--format", "mp4"} << 1 << "";
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

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
