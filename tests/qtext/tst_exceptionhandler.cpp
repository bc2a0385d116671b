// Tests of the crash handler and the crash-report program. A child (this test program run with
// "--crash MODE") installs the handler and faults; the report program it starts is a stand-in
// script that notes each start, so no dialog can appear.

#include "qtext/exceptionhandler.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

using QT_EXT::ExceptionHandler;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeScript(const QString& path, const QByteArray& body) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body);
    file.close();
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                               QFileDevice::ExeOwner);
}

QString crashReportProgram() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/app/CrashReport");
}

} // namespace

class TestExceptionHandler : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    // The log of a child whose temp folder is tmp: in a folder of this user's own.
    static QString logIn(const QString& tmp) {
        return tmp + QStringLiteral("/quillowave-%1/ERRORLOG.TXT").arg(getuid());
    }

    // Runs the crashing child with TMPDIR at tmp and the stand-in as report program.
    QProcess::ExitStatus runChild(const QString& mode, const QString& tmp, QByteArray* err) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmp);
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("QW_REPORT_MARKER"), path(QStringLiteral("starts.txt")));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--crash", mode, path(QStringLiteral("report.sh"))});
        child.waitForFinished(60000);
        *err = child.readAllStandardError();
        return child.exitStatus();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(writeScript(path(QStringLiteral("report.sh")),
                            "printf '%s\\n' \"$1\" >> \"$QW_REPORT_MARKER\"\n"));
    }

    void init() { QFile::remove(path(QStringLiteral("starts.txt"))); }

    void crashWritesLogAndStartsReportOnce_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QByteArray>("cause");
        QTest::newRow("null pointer") << "segv" << QByteArray("an Access Violation (0xc0000005)");
        QTest::newRow("division by zero")
            << "fpe" << QByteArray("an Integer Divide by Zero (0xc0000094)");
        QTest::newRow("abort") << "abort" << QByteArray("an Unknown exception type (0x40000015)");
    }
    void crashWritesLogAndStartsReportOnce() {
        QFETCH(QString, mode);
        QFETCH(QByteArray, cause);
        const QString tmp = path(QStringLiteral("tmp-") + mode);
        QVERIFY(QDir().mkpath(tmp));
        QByteArray err;
        runChild(mode, tmp, &err);

        const QByteArray log = readFile(logIn(tmp));
        const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
        const QByteArray header =
            "tst_exceptionhandler (1.40.1 extra  ) caused " + cause + " \r\nin module ";
        QVERIFY2(log.startsWith(header), log.left(200).constData());
        QVERIFY(log.endsWith("\r\n===== [end of ERRORLOG.TXT] =====\r\n"));
        const passwd* user = getpwuid(getuid());
        QVERIFY(log.contains(program + ", run by " + QByteArray(user->pw_name) + ".\r\n"));
        QVERIFY(log.contains("% memory in use.\r\n"));
        QVERIFY(log.contains("MBytes physical memory free.\r\n"));
        QVERIFY(log.contains("\r\nBytes at CS:EIP:\r\n"));
        if (mode == QStringLiteral("segv"))
            QVERIFY(log.contains("Write to location 00000010 caused an access violation."));
        // The call stack and the module list both name this program.
        const qsizetype stack = log.indexOf("\r\nCall stack:\r\n");
        QVERIFY(stack > 0);
        QVERIFY(log.indexOf(program, stack) > stack);
        QVERIFY(log.indexOf("\r\nModules:\r\n", stack) > stack);

        // The stand-in may still be running when the child has gone.
        const QString starts = path(QStringLiteral("starts.txt"));
        QTRY_VERIFY(QFile::exists(starts));
        QTest::qWait(200);
        QCOMPARE(readFile(starts), '"' + program + "\"\n");
    }

    void unwritableLog() {
        // A folder in the log's place cannot be opened for writing, even by root.
        const QString tmp = path(QStringLiteral("blocked"));
        QVERIFY(QDir().mkpath(logIn(tmp)));
        QByteArray err;
        const auto status = runChild(QStringLiteral("segv"), tmp, &err);
        QVERIFY(err.contains("Error creating exception report"));
        // The fault goes on to the system and no report program is started.
        QCOMPARE(status, QProcess::CrashExit);
        QTest::qWait(200);
        QVERIFY(!QFile::exists(path(QStringLiteral("starts.txt"))));
    }

    // The report program restarts the program on Yes only, and refuses a missing argument.
    void reportProgram_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("withProgram");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("restarted");
        QTest::newRow("yes") << "yes" << true << 0 << true;
        QTest::newRow("no") << "no" << true << 1 << false;
        QTest::newRow("no program") << "yes" << false << 2 << false;
    }
    void reportProgram() {
        QFETCH(QString, answer);
        QFETCH(bool, withProgram);
        QFETCH(int, exitCode);
        QFETCH(bool, restarted);
        const QString marker = path(QStringLiteral("restarted.txt"));
        QFile::remove(marker);
        const QString program = path(QStringLiteral("crashed program"));
        QVERIFY(writeScript(program, "touch \"" + marker.toLocal8Bit() + "\"\n"));

        QProcess report;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QW_CRASHREPORT_ANSWER"), answer);
        report.setProcessEnvironment(env);
        report.start(crashReportProgram(),
                     withProgram ? QStringList{'"' + program + '"'} : QStringList{});
        QVERIFY2(report.waitForFinished(30000), qPrintable(report.errorString()));
        QCOMPARE(report.exitCode(), exitCode);
        if (restarted)
            QTRY_VERIFY(QFile::exists(marker));
        else
            QVERIFY(!QFile::exists(marker));
    }
};

namespace {

// Kept out of line so that the fault happens in a frame of its own. The division reaches the
// processor even in a build that checks divisions, so the handler sees the real signal.
__attribute__((noinline, no_sanitize("integer-divide-by-zero"))) void faultNow(const char* mode) {
    if (std::strcmp(mode, "fpe") == 0) {
        volatile int zero = 0;
        volatile int seven = 7;
        volatile int result = seven / zero;
        (void)result;
    } else if (std::strcmp(mode, "abort") == 0) {
        std::abort();
    } else {
        // Read back through a volatile so that the compiler cannot see the bad address.
        volatile std::uintptr_t where = 0x10;
        *reinterpret_cast<volatile int*>(where) = 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--crash") == 0) {
        QCoreApplication app(argc, argv);
        ExceptionHandler::install(QString::fromLocal8Bit(argv[3]), QStringLiteral("1.40.1"),
                                  QStringLiteral("extra"));
        faultNow(argv[2]);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestExceptionHandler test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exceptionhandler.moc"
