// The text cursor the playlist and title parsers are written with.

#include "qtext/qttextparse.h"

#include <QtTest>

using QT_EXT::QtTextParse;
using Missing = QT_EXT::QtTextParse::Missing;

Q_DECLARE_METATYPE(Qt::CaseSensitivity)
Q_DECLARE_METATYPE(QT_EXT::QtTextParse::Missing)

class TestQtTextParse : public QObject {
    Q_OBJECT
private slots:
    void movePast_data();
    void movePast();
    void moveTo_data();
    void moveTo();
    void moveToAnyOf_data();
    void moveToAnyOf();
    void skip_data();
    void skip();
    void skipOne_data();
    void skipOne();
    void readUpTo_data();
    void readUpTo();
    void readUpToText_data();
    void readUpToText();
    void startsWithAndContains_data();
    void startsWithAndContains();
    void positionIsClamped();
    void moveLoopEndsAtEnd();
    void keyValueLines();
};

void TestQtTextParse::movePast_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("what");
    QTest::addColumn<Qt::CaseSensitivity>("cs");
    QTest::addColumn<Missing>("missing");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("position");
    const auto ci = Qt::CaseInsensitive;
    const auto cs = Qt::CaseSensitive;
    QTest::newRow("found") << "abc=def" << 0 << "=" << cs << Missing::MoveToEnd << true << 4;
    QTest::newRow("ignoring case")
        << "x StreamTitle='a'" << 0 << "streamtitle=" << ci << Missing::MoveToEnd << true << 14;
    QTest::newRow("case-sensitive miss to end")
        << "x StreamTitle='a'" << 0 << "streamtitle=" << cs << Missing::MoveToEnd << false << 17;
    QTest::newRow("miss stays") << "abc" << 1 << "z" << ci << Missing::Stay << false << 1;
    QTest::newRow("only after cursor")
        << "a=b=c" << 2 << "=" << cs << Missing::MoveToEnd << true << 4;
    QTest::newRow("behind cursor is missing")
        << "a=bc" << 2 << "=" << cs << Missing::MoveToEnd << false << 4;
    QTest::newRow("at cursor") << "==" << 0 << "=" << cs << Missing::MoveToEnd << true << 1;
    QTest::newRow("empty text") << "" << 0 << "x" << ci << Missing::MoveToEnd << false << 0;
    QTest::newRow("cursor at end") << "abc" << 3 << "c" << ci << Missing::Stay << false << 3;
    QTest::newRow("empty target") << "abc" << 1 << "" << ci << Missing::Stay << false << 1;
    QTest::newRow("target longer than text")
        << "ab" << 0 << "abc" << ci << Missing::MoveToEnd << false << 2;
}

void TestQtTextParse::movePast() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, what);
    QFETCH(Qt::CaseSensitivity, cs);
    QFETCH(Missing, missing);
    QtTextParse parse(text);
    parse.setPosition(from);
    QTEST(parse.movePast(what, cs, missing), "found");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::moveTo_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("what");
    QTest::addColumn<Missing>("missing");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("position");
    QTest::newRow("found") << "line\r\nnext" << 0 << "\r" << Missing::MoveToEnd << true << 4;
    QTest::newRow("ignoring case") << "a<REF href" << 0 << "<ref" << Missing::Stay << true << 1;
    QTest::newRow("miss to end") << "line" << 1 << "\r" << Missing::MoveToEnd << false << 4;
    QTest::newRow("miss stays") << "line" << 1 << "\r" << Missing::Stay << false << 1;
    QTest::newRow("empty text") << "" << 0 << "\r" << Missing::Stay << false << 0;
}

void TestQtTextParse::moveTo() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, what);
    QFETCH(Missing, missing);
    QtTextParse parse(text);
    parse.setPosition(from);
    QTEST(parse.moveTo(what, Qt::CaseInsensitive, missing), "found");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::moveToAnyOf_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<Missing>("missing");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("position");
    QTest::newRow("first of two") << "ab\ncd\re" << 0 << "\r\n" << Missing::MoveToEnd << true << 2;
    QTest::newRow("second of two") << "ab\ncd\re" << 3 << "\r\n" << Missing::MoveToEnd << true << 5;
    QTest::newRow("at cursor") << "\nx" << 0 << "\r\n" << Missing::MoveToEnd << true << 0;
    QTest::newRow("miss to end") << "abc" << 0 << "\r\n" << Missing::MoveToEnd << false << 3;
    QTest::newRow("miss stays") << "abc" << 1 << "\r\n" << Missing::Stay << false << 1;
    QTest::newRow("empty set") << "abc" << 0 << "" << Missing::Stay << false << 0;
}

void TestQtTextParse::moveToAnyOf() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, characters);
    QFETCH(Missing, missing);
    QtTextParse parse(text);
    parse.setPosition(from);
    QTEST(parse.moveToAnyOf(characters, missing), "found");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::skip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("kind"); // "spaces", "breaks" or the characters to skip
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("position");
    QTest::newRow("spaces and tabs") << "= \t \tx" << 1 << "spaces" << 4 << 5;
    QTest::newRow("spaces stop at break") << "  \r\nx" << 0 << "spaces" << 2 << 2;
    QTest::newRow("breaks mixed") << "a\r\n\n\r\rb" << 1 << "breaks" << 5 << 6;
    QTest::newRow("breaks keep blanks") << "\n x" << 0 << "breaks" << 1 << 1;
    QTest::newRow("nothing to skip") << "abc" << 0 << "spaces" << 0 << 0;
    QTest::newRow("runs to end") << "a   " << 1 << "spaces" << 3 << 4;
    QTest::newRow("cursor at end") << "ab" << 2 << "spaces" << 0 << 2;
    QTest::newRow("empty text") << "" << 0 << "breaks" << 0 << 0;
    QTest::newRow("own set") << "\"'\"x'" << 0 << "\"'" << 3 << 3;
}

void TestQtTextParse::skip() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, kind);
    QtTextParse parse(text);
    parse.setPosition(from);
    qsizetype skipped = 0;
    if (kind == "spaces")
        skipped = parse.skipSpaces();
    else if (kind == "breaks")
        skipped = parse.skipLineBreaks();
    else
        skipped = parse.skip(kind);
    QTEST(int(skipped), "skipped");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::skipOne_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<bool>("skipped");
    QTest::addColumn<int>("position");
    QTest::newRow("one of two") << "==x"
                                << "=" << true << 1;
    QTest::newRow("not there") << "x="
                               << "=" << false << 0;
    QTest::newRow("empty text") << ""
                                << "=" << false << 0;
    QTest::newRow("one of a set") << ":x"
                                  << "=:" << true << 1;
}

void TestQtTextParse::skipOne() {
    QFETCH(QString, text);
    QFETCH(QString, characters);
    QtTextParse single(text);
    QtTextParse set(text);
    QTEST(single.skipOne(characters.at(0)) || set.skipOneOf(characters), "skipped");
    QTEST(int(std::max(single.position(), set.position())), "position");
}

void TestQtTextParse::readUpTo_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("characters");
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("position");
    QTest::newRow("up to LF") << "http://a/b\nnext" << 0 << "\r\n"
                              << "http://a/b" << 10;
    QTest::newRow("up to CR of CRLF") << "url\r\nx" << 0 << "\r\n"
                                      << "url" << 3;
    QTest::newRow("from middle") << "'title';rest" << 1 << ";"
                                 << "title'" << 7;
    QTest::newRow("stop at cursor") << ";x" << 0 << ";"
                                    << "" << 0;
    QTest::newRow("not found reads rest") << "no break" << 3 << "\r\n"
                                          << "break" << 8;
    QTest::newRow("cursor at end") << "abc" << 3 << "\n"
                                   << "" << 3;
    QTest::newRow("empty text") << "" << 0 << "\n"
                                << "" << 0;
    QTest::newRow("either of two") << "a'b;c" << 0 << "';"
                                   << "a" << 1;
}

void TestQtTextParse::readUpTo() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, characters);
    QtTextParse parse(text);
    parse.setPosition(from);
    QTEST(parse.readUpTo(characters), "read");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::readUpToText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("read");
    QTest::addColumn<int>("position");
    QTest::newRow("found") << "Song</TITLE>x"
                           << "</title>"
                           << "Song" << 4;
    QTest::newRow("not found") << "Song"
                               << "</title>"
                               << "Song" << 4;
    QTest::newRow("empty target reads rest") << "Song"
                                             << ""
                                             << "Song" << 4;
    QTest::newRow("empty text") << ""
                                << "x"
                                << "" << 0;
}

void TestQtTextParse::readUpToText() {
    QFETCH(QString, text);
    QFETCH(QString, what);
    QtTextParse parse(text);
    QTEST(parse.readUpToText(what), "read");
    QTEST(int(parse.position()), "position");
}

void TestQtTextParse::startsWithAndContains_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("startsWith");
    QTest::addColumn<bool>("contains");
    QTest::newRow("key at cursor") << "[x]\nfile1=u" << 4 << "File1" << true << true;
    QTest::newRow("key elsewhere") << "file1=u\nfile2=v" << 0 << "File2" << false << true;
    QTest::newRow("behind cursor still contained") << "file1=u" << 3 << "file1" << false << true;
    QTest::newRow("at end") << "abc" << 3 << "c" << false << true;
    QTest::newRow("empty needle") << "abc" << 0 << "" << false << false;
    QTest::newRow("empty text") << "" << 0 << "a" << false << false;
}

void TestQtTextParse::startsWithAndContains() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(QString, what);
    QtTextParse parse(text);
    parse.setPosition(from);
    QTEST(parse.startsWith(what), "startsWith");
    QTEST(parse.contains(what), "contains");
    QCOMPARE(int(parse.position()), from);
}

void TestQtTextParse::positionIsClamped() {
    QtTextParse parse("abc");
    parse.setPosition(99);
    QVERIFY(parse.atEnd());
    QCOMPARE(parse.current(), QChar());
    QCOMPARE(parse.readToEnd(), QString());
    parse.setPosition(-5);
    QCOMPARE(parse.position(), 0);
    QCOMPARE(parse.current(), QChar('a'));
    parse.setText("xy");
    QCOMPARE(parse.rest(), QString("xy"));
}

void TestQtTextParse::moveLoopEndsAtEnd() {
    // "while it contains the marker and the cursor is not at the end: move past the next one":
    // a marker that only occurs behind the cursor must still end the loop.
    QtTextParse parse("#EXTINF:1\nhttp://a\n#EXTINF:2\nhttp://b\ntrailing");
    QStringList lines;
    int rounds = 0;
    while (parse.contains("#EXTINF:") && !parse.atEnd() && ++rounds < 10) {
        if (!parse.movePast("#EXTINF:"))
            break;
        parse.moveTo("\n");
        parse.skipLineBreaks();
        lines << parse.readUpTo("\r\n");
    }
    QCOMPARE(lines, QStringList({"http://a", "http://b"}));
    QVERIFY(rounds < 10);
}

void TestQtTextParse::keyValueLines() {
    // A playlist-style key: move past the key, blanks, one "=", blanks, then the value.
    QtTextParse parse("[playlist]\r\nFile1 \t= \thttp://h/s%20t\r\nTitle1=Name\r\n");
    QVERIFY(parse.movePast("[playlist]"));
    parse.skipLineBreaks();
    QVERIFY(parse.startsWith("file1"));
    QVERIFY(parse.movePast("File1"));
    parse.skipSpaces();
    QVERIFY(parse.skipOne('='));
    parse.skipSpaces();
    QCOMPARE(parse.readUpTo("\r\n"), QString("http://h/s%20t"));
    parse.skipLineBreaks();
    QVERIFY(parse.startsWith("Title1"));
    QVERIFY(parse.movePast("="));
    QCOMPARE(parse.readUpTo("\r\n"), QString("Name"));
    parse.skipLineBreaks();
    QVERIFY(parse.atEnd());
}

QTEST_APPLESS_MAIN(TestQtTextParse)
#include "tst_qttextparse.moc"
