// The wish-list editor: the list shown sorted, entries added, refused when already there,
// edited and deleted; OK saves the file and hands the list over, Cancel changes nothing.

#include "recording/wishlist.h"
#include "ui/wishlistdlg.h"

#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList shown(const WishListDlg& dialog) {
    QStringList texts;
    for (int i = 0; i < dialog.entries()->count(); ++i)
        texts.append(dialog.entries()->item(i)->text());
    return texts;
}

// Answers every question of the dialog with the next text; a null text is Cancel.
WishListDlg::Asker answers(QStringList* texts, QStringList* titles) {
    return [texts, titles](const QString& title, const QString&, QString* text) {
        titles->append(title);
        *text = texts->takeFirst();
        return !text->isNull();
    };
}

} // namespace

class TestWishListDlg : public QObject {
    Q_OBJECT
private slots:
    void editAndSave();
    void cancelChangesNothing();
};

void TestWishListDlg::editAndSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(WishList::FileName());
    WishList list;
    list.SetEntries({"moon", "Beatles", "abba"});
    WishListDlg dialog(&list, path);
    QCOMPARE(shown(dialog), (QStringList{"Beatles", "abba", "moon"}));

    QStringList texts = {"Zappa", "moon", "Moon (Live)", ""};
    QStringList titles;
    dialog.setAsker(answers(&texts, &titles));
    QSignalSpy messages(&dialog, &WishListDlg::sig_message);
    dialog.slot_add();
    dialog.slot_add();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages.first().first().toString(), QString("Item already exists"));
    dialog.entries()->setCurrentRow(shown(dialog).indexOf("moon"));
    dialog.slot_edit();
    QCOMPARE(titles, (QStringList{"New item", "New item", "Edit item"}));
    // An empty answer adds nothing.
    dialog.slot_add();
    dialog.entries()->setCurrentRow(shown(dialog).indexOf("abba"));
    dialog.slot_delete();
    QCOMPARE(shown(dialog), (QStringList{"Beatles", "Moon (Live)", "Zappa"}));
    QCOMPARE(list.Entries().size(), 3);

    dialog.accept();
    QCOMPARE(list.Entries(), (QStringList{"Beatles", "Moon (Live)", "Zappa"}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Beatles\nMoon (Live)\nZappa\n"));
}

void TestWishListDlg::cancelChangesNothing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(WishList::FileName());
    WishList list;
    list.SetEntries({"keep"});
    WishListDlg dialog(&list, path);
    QStringList texts = {"added"};
    QStringList titles;
    dialog.setAsker(answers(&texts, &titles));
    dialog.slot_add();
    dialog.reject();
    QCOMPARE(list.Entries(), QStringList{"keep"});
    QVERIFY(!QFile::exists(path));
}

QTEST_MAIN(TestWishListDlg)
#include "tst_wishlistdlg.moc"
