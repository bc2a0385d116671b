// The wish list: its file (UTF-8 lines, blank lines skipped, a failed save named with its
// reason and the list kept), and matching, which takes every entry as plain text in any case.

#include "recording/wishlist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestWishList : public QObject {
    Q_OBJECT
private slots:
    void match_data();
    void match();
    void fileRoundTrip();
    void missingFileIsEmpty();
    void failedSaveKeepsTheList();
    void xmlTitlesAreIgnored();
};

void TestWishList::match_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("song");
    QTest::addColumn<int>("expected");
    QTest::newRow("inside a word") << QStringList{"moon"} << "Moonlight Band - Night Song" << 0;
    QTest::newRow("any case") << QStringList{"moon"} << "Blue Moon - Intro" << 0;
    QTest::newRow("first entry found wins") << QStringList{"zzz", "song", "night"}
                                            << "Moonlight Band - Night Song" << 1;
    QTest::newRow("no entry") << QStringList{"sun"} << "Blue Moon - Intro" << -1;
    QTest::newRow("dot is a dot") << QStringList{"a.c"} << "abc - x" << -1;
    QTest::newRow("dot matches itself") << QStringList{"a.c"} << "A.C. - x" << 0;
    QTest::newRow("brackets as text") << QStringList{"(live"} << "Band - Song (Live)" << 0;
    QTest::newRow("unbalanced brackets") << QStringList{"[a-"} << "x [A- y" << 0;
    QTest::newRow("star and plus") << QStringList{"c++*"} << "C++* - Song" << 0;
    QTest::newRow("star is no wildcard") << QStringList{"a*"} << "abc" << -1;
    QTest::newRow("backslash") << QStringList{"\\d"} << "12 - 34" << -1;
    QTest::newRow("empty entry matches nothing") << QStringList{""} << "Anything" << -1;
    QTest::newRow("accents in any case") << QStringList{"émile"} << "ÉMILE - Chanson" << 0;
}

void TestWishList::match() {
    QFETCH(QStringList, entries);
    QFETCH(QString, song);
    QFETCH(int, expected);
    WishList list;
    list.SetEntries(entries);
    QCOMPARE(list.Match(song), expected);
}

void TestWishList::fileRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath(WishList::FileName());
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Moon\n\nÉmile\r\nlast without end");
    }
    WishList list;
    list.Load(path);
    QCOMPARE(list.Entries(), (QStringList{"Moon", "Émile", "last without end"}));
    list.SetEntries({"b", "a (live)"});
    QString error;
    QVERIFY(list.Save(path, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("b\na (live)\n"));
}

void TestWishList::missingFileIsEmpty() {
    WishList list;
    list.SetEntries({"x"});
    list.Load(QStringLiteral("/nonexistent/wishlist.txt"));
    QVERIFY(list.IsEmpty());
}

void TestWishList::failedSaveKeepsTheList() {
    QTemporaryDir dir;
    WishList list;
    list.SetEntries({"keep"});
    QString error;
    // A folder stands where the file should be.
    QVERIFY(!list.Save(dir.path(), &error));
    QVERIFY2(error.startsWith(dir.path() + "\n\nReason: "), qPrintable(error));
    QVERIFY(error.size() > (dir.path() + "\n\nReason: ").size());
    QCOMPARE(list.Entries(), QStringList{"keep"});
}

void TestWishList::xmlTitlesAreIgnored() {
    QVERIFY(WishList::IsIgnoredTitle("<?xml version=\"1.0\"?><moon/>"));
    QVERIFY(WishList::IsIgnoredTitle("Moon <?xml"));
    // The marker is looked for as written.
    QVERIFY(!WishList::IsIgnoredTitle("<?XML moon"));
    QVERIFY(!WishList::IsIgnoredTitle("Blue Moon - Intro"));
}

QTEST_GUILESS_MAIN(TestWishList)
#include "tst_wishlist.moc"
