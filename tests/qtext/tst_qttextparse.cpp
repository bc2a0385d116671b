// The text cursor the playlist and title parsers are written with.

#include "qtext/qttextparse.h"

#include <QtTest>

using QT_EXT::QtTextParse;

class TestQtTextParse : public QObject {
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void loopOverMarkersEnds();
};

// One cursor step per row: the operation, its argument, what it returns and where the cursor
// ends. "stay" operations leave the cursor where it was when the target is missing.
void TestQtTextParse::operations_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("result");
    QTest::addColumn<int>("position");
    // clang-format off
    QTest::newRow("movePast found") << "abc=def" << 0 << "movePast" << "=" << "1" << 4;
    QTest::newRow("movePast ignores case") << "x StreamTitle='a'" << 0 << "movePast" << "streamtitle=" << "1" << 14;
    QTest::newRow("movePast case-sensitive miss") << "x StreamTitle=" << 0 << "movePastCs" << "streamtitle=" << "0" << 14;
    QTest::newRow("movePast only after cursor") << "a=b=c" << 2 << "movePast" << "=" << "1" << 4;
    QTest::newRow("movePast behind cursor is a miss") << "a=bc" << 2 << "movePast" << "=" << "0" << 4;
    QTest::newRow("movePast miss stays") << "abc" << 1 << "movePastStay" << "z" << "0" << 1;
    QTest::newRow("movePast empty text") << "" << 0 << "movePast" << "x" << "0" << 0;
    QTest::newRow("movePast empty target") << "abc" << 1 << "movePastStay" << "" << "0" << 1;
    QTest::newRow("movePast longer than text") << "ab" << 0 << "movePast" << "abc" << "0" << 2;
    QTest::newRow("moveTo found") << "line\r\nnext" << 0 << "moveTo" << "\r" << "1" << 4;
    QTest::newRow("moveTo miss to end") << "line" << 1 << "moveTo" << "\r" << "0" << 4;
    QTest::newRow("moveTo miss stays") << "line" << 1 << "moveToStay" << "\r" << "0" << 1;
    QTest::newRow("anyOf first") << "ab\ncd\re" << 0 << "anyOf" << "\r\n" << "1" << 2;
    QTest::newRow("anyOf later") << "ab\ncd\re" << 3 << "anyOf" << "\r\n" << "1" << 5;
    QTest::newRow("anyOf at cursor") << "\nx" << 0 << "anyOf" << "\r\n" << "1" << 0;
    QTest::newRow("anyOf miss") << "abc" << 0 << "anyOf" << "\r\n" << "0" << 3;
    QTest::newRow("anyOf empty set") << "abc" << 0 << "anyOf" << "" << "0" << 3;
    QTest::newRow("skip blanks") << "= \t \tx" << 1 << "spaces" << "" << "4" << 5;
    QTest::newRow("skip blanks not breaks") << "  \r\nx" << 0 << "spaces" << "" << "2" << 2;
    QTest::newRow("skip breaks mixed") << "a\r\n\n\r\rb" << 1 << "breaks" << "" << "5" << 6;
    QTest::newRow("skip breaks not blanks") << "\n x" << 0 << "breaks" << "" << "1" << 1;
    QTest::newRow("skip runs to end") << "a   " << 1 << "spaces" << "" << "3" << 4;
    QTest::newRow("skip at end") << "ab" << 2 << "spaces" << "" << "0" << 2;
    QTest::newRow("skip own set") << "\"'\"x'" << 0 << "skip" << "\"'" << "3" << 3;
    QTest::newRow("skipOne once") << "==x" << 0 << "skipOne" << "=" << "1" << 1;
    QTest::newRow("skipOne absent") << "x=" << 0 << "skipOne" << "=" << "0" << 0;
    QTest::newRow("skipOne empty text") << "" << 0 << "skipOne" << "=" << "0" << 0;
    QTest::newRow("skipOneOf") << ":x" << 0 << "skipOneOf" << "=:" << "1" << 1;
    QTest::newRow("read to LF") << "http://a/b\nnext" << 0 << "read" << "\r\n" << "http://a/b" << 10;
    QTest::newRow("read to CR of CRLF") << "url\r\nx" << 0 << "read" << "\r\n" << "url" << 3;
    QTest::newRow("read stop at cursor") << ";x" << 0 << "read" << ";" << "" << 0;
    QTest::newRow("read without stop") << "no break" << 3 << "read" << "\r\n" << "break" << 8;
    QTest::newRow("read at end") << "abc" << 3 << "read" << "\n" << "" << 3;
    QTest::newRow("read either of two") << "a'b;c" << 0 << "read" << "';" << "a" << 1;
    QTest::newRow("readText found") << "Song</TITLE>x" << 0 << "readText" << "</title>" << "Song" << 4;
    QTest::newRow("readText missing") << "Song" << 0 << "readText" << "</title>" << "Song" << 4;
    QTest::newRow("startsWith at cursor") << "[x]\nfile1=u" << 4 << "startsWith" << "File1" << "1" << 4;
    QTest::newRow("startsWith elsewhere") << "file1=u\nfile2" << 0 << "startsWith" << "File2" << "0" << 0;
    QTest::newRow("startsWith at end") << "abc" << 3 << "startsWith" << "c" << "0" << 3;
    QTest::newRow("contains behind cursor") << "file1=u" << 3 << "contains" << "FILE1" << "1" << 3;
    QTest::newRow("contains empty") << "abc" << 0 << "contains" << "" << "0" << 0;
    QTest::newRow("ahead at cursor") << "a';b';" << 3 << "containsAhead" << "';" << "1" << 3;
    QTest::newRow("ahead only behind") << "a';b" << 3 << "containsAhead" << "';" << "0" << 3;
    QTest::newRow("position clamped") << "abc" << 99 << "readToEnd" << "" << "" << 3;
    QTest::newRow("negative position") << "abc" << -5 << "readToEnd" << "" << "abc" << 3;
    // clang-format on
}

void TestQtTextParse::operations() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, op);
    QFETCH(QString, arg);
    using M = QtTextParse::Missing;
    QtTextParse p(text);
    p.setPosition(from);
    const auto flag = [](bool b) { return QString(b ? "1" : "0"); };
    QString result;
    if (op == "movePast")
        result = flag(p.movePast(arg));
    else if (op == "movePastCs")
        result = flag(p.movePast(arg, Qt::CaseSensitive));
    else if (op == "movePastStay")
        result = flag(p.movePast(arg, Qt::CaseInsensitive, M::Stay));
    else if (op == "moveTo")
        result = flag(p.moveTo(arg));
    else if (op == "moveToStay")
        result = flag(p.moveTo(arg, Qt::CaseInsensitive, M::Stay));
    else if (op == "anyOf")
        result = flag(p.moveToAnyOf(arg));
    else if (op == "spaces")
        result = QString::number(p.skipSpaces());
    else if (op == "breaks")
        result = QString::number(p.skipLineBreaks());
    else if (op == "skip")
        result = QString::number(p.skip(arg));
    else if (op == "skipOne")
        result = flag(p.skipOne(arg.at(0)));
    else if (op == "skipOneOf")
        result = flag(p.skipOneOf(arg));
    else if (op == "read")
        result = p.readUpTo(arg);
    else if (op == "readText")
        result = p.readUpToText(arg);
    else if (op == "startsWith")
        result = flag(p.startsWith(arg));
    else if (op == "contains")
        result = flag(p.contains(arg));
    else if (op == "containsAhead")
        result = flag(p.containsAhead(arg));
    else if (op == "readToEnd")
        result = p.readToEnd();
    else
        QFAIL("unknown operation");
    QTEST(result, "result");
    QTEST(int(p.position()), "position");
}

void TestQtTextParse::loopOverMarkersEnds() {
    // "While the text contains the marker and the cursor is not at the end, move past the next
    // one": a marker that occurs only behind the cursor must still end the loop.
    QtTextParse p("#EXTINF:1\r\nhttp://a\n#EXTINF:2\nhttp://b\ntrailing");
    QStringList lines;
    int rounds = 0;
    while (p.contains("#EXTINF:") && !p.atEnd() && ++rounds < 10) {
        p.movePast("#EXTINF:");
        p.moveToAnyOf("\r\n");
        p.skipLineBreaks();
        lines << p.readUpTo("\r\n");
    }
    QCOMPARE(lines, QStringList({"http://a", "http://b", ""}));
    QVERIFY(p.atEnd());
}

QTEST_APPLESS_MAIN(TestQtTextParse)
#include "tst_qttextparse.moc"
