// File-name cleaning, the request-id hash and the query/form encodings of the HTTP client.

#include "qtext/qhttpext.h"
#include "qtext/textutil.h"

#include <QtTest>

using QT_EXT::QHttpExt;

class TestTextUtil : public QObject {
    Q_OBJECT
private slots:
    void validFileName_data();
    void validFileName();
    void stringHash_data();
    void stringHash();
    void parameters_data();
    void parameters();
};

void TestTextUtil::validFileName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "Artist - Title"
                           << "Artist - Title";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("each replaced") << "<>:\"/\\|?*%"
                                   << "----------";
    QTest::newRow("only removed") << "@,\r\n\t"
                                  << "";
    QTest::newRow("breaks inside") << "Line\r\none\ttwo"
                                   << "Lineonetwo";
    QTest::newRow("mixed") << "AC/DC: Back, in @Black?"
                           << "AC-DC- Back in Black-";
    QTest::newRow("percent not decoded") << "%41%20"
                                         << "-41-20";
    QTest::newRow("dots and brackets kept") << "Radio (One) 1.0"
                                            << "Radio (One) 1.0";
    QTest::newRow("non-latin kept")
        << QString::fromUtf8("Ёлка — 東京") << QString::fromUtf8("Ёлка — 東京");
    QTest::newRow("only spaces") << "   "
                                 << "   ";
}

void TestTextUtil::validFileName() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(QT_EXT::validFileName(name), expected);
}

void TestTextUtil::stringHash_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("empty") << "" << 0u;
    QTest::newRow("one") << "a" << 97u;
    // Walking from the last character: the order matters.
    QTest::newRow("ab") << "ab" << 3331u;
    QTest::newRow("ba") << "ba" << 3299u;
    QTest::newRow("url") << "http://127.0.0.1:8000/files/a.pls" << 108549534u;
    QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80") << 1930813u;
    QTest::newRow("wraps") << QString(1000, QChar('x')) << 2937219264u;
}

void TestTextUtil::stringHash() {
    QFETCH(QString, text);
    QFETCH(quint32, expected);
    QCOMPARE(QT_EXT::stringHash(text), expected);
}

void TestTextUtil::parameters_data() {
    QTest::addColumn<QStringList>("pairs"); // name, value, name, value ...
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("form");
    QTest::newRow("none") << QStringList{} << QByteArray() << QByteArray();
    QTest::newRow("two in key order")
        << QStringList{"b", "2", "a", "1"} << QByteArray("a=1&b=2") << QByteArray("a=1&b=2");
    QTest::newRow("empty name skipped first")
        << QStringList{"", "lost", "x", "1"} << QByteArray("x=1") << QByteArray("x=1");
    QTest::newRow("only empty name") << QStringList{"", "v"} << QByteArray() << QByteArray();
    QTest::newRow("empty value") << QStringList{"k", ""} << QByteArray("k=") << QByteArray("k=");
    QTest::newRow("amp and question")
        << QStringList{"q", "a&b?c"} << QByteArray("q=a%26b%3Fc") << QByteArray("q=a%26b%3Fc");
    QTest::newRow("space and equals")
        << QStringList{"q", "a b=c"} << QByteArray("q=a b=c") << QByteArray("q=a%20b%3Dc");
    QTest::newRow("utf8") << QStringList{QString::fromUtf8("n\xC3\xA9"),
                                         QString::fromUtf8("\xC3\xA9")}
                          << QByteArray("n\xC3\xA9=\xC3\xA9") << QByteArray("n\xC3\xA9=%C3%A9");
}

void TestTextUtil::parameters() {
    QFETCH(QStringList, pairs);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, form);
    QMap<QString, QString> map;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2)
        map.insert(pairs.at(i), pairs.at(i + 1));
    QCOMPARE(QHttpExt::queryString(map), query);
    QCOMPARE(QHttpExt::formBody(map), form);
}

QTEST_APPLESS_MAIN(TestTextUtil)
#include "tst_textutil.moc"
