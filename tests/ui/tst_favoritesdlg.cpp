// The favourites editor and its dialogs: list texts, editing that replaces the entry, removal
// that reaches the file, keypad shortcuts and their tool tips, the split delay in seconds, and
// input the single-favourite dialog refuses.
#include "settings/appsettings.h"
#include "stations/favorites.h"
#include "ui/favoritedlg.h"
#include "ui/favoritesdlg.h"
#include "ui/favskeypaddlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Runs action on the next modal dialog once it is shown.
void onModal(const std::function<void(QDialog*)>& action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action]() {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        timer->stop();
        timer->deleteLater();
        action(dlg);
    });
    timer->start();
}

QStringList items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestFavoritesDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Favorites> m_favs;

    Preset* add(const QString& title, const QString& group = QString(), int keyPad = 0) {
        Preset p;
        p.title = title;
        p.addSource(QStringLiteral("http://127.0.0.1/") + title);
        if (!group.isEmpty())
            p.groupName = group;
        p.keyPadNum = keyPad;
        return m_favs->add(p);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        AppSettings::instance();
    }

    void init() {
        QFile::remove(m_dir.filePath(QStringLiteral("favorites.xml")));
        m_favs = std::make_unique<Favorites>();
        m_favs->setInteractive(false);
        m_favs->setFileName(m_dir.filePath(QStringLiteral("favorites.xml")));
        m_favs->reload();
    }

    void listAndRemove() {
        add(QStringLiteral("Loose"));
        Preset* jazz = add(QStringLiteral("Jazz"), QStringLiteral("Evening"));
        FavoritesDlg dlg(m_favs.get());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Edit Favorites"));
        QCOMPARE(items(dlg.listWidget()), (QStringList{"Loose", "Jazz (Evening)"}));

        QSignalSpy changed(&dlg, &FavoritesDlg::signal_FavoritesChanged);
        dlg.selectFavorite(jazz);
        dlg.slot_Remove();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(items(dlg.listWidget()), QStringList{"Loose"});
        QFile file(m_favs->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("Loose"));
        QVERIFY(!text.contains("Evening"));
    }

    void editReplacesTheEntry() {
        add(QStringLiteral("Old name"), QStringLiteral("Evening"));
        FavoritesDlg dlg(m_favs.get());
        dlg.show();
        onModal([](QDialog* d) {
            auto* edit = qobject_cast<FavoriteDlg*>(d);
            QVERIFY(edit);
            edit->nameEdit()->setText(QStringLiteral("New name"));
            edit->groupBox()->setCurrentText(QStringLiteral("Morning"));
            edit->splitDelayBox()->setValue(2.3);
            edit->accept();
        });
        dlg.slot_Edit();
        QCOMPARE(items(dlg.listWidget()), QStringList{"New name (Morning)"});
        QCOMPARE(m_favs->allPresets.size(), 1);
        QCOMPARE(m_favs->favorites().first()->splitDelay, 2300);
        // The emptied group is gone from the file.
        m_favs->reload();
        QCOMPARE(m_favs->groupNames(), QStringList{"Morning"});
    }

    void keyPadShortcuts() {
        Preset* a = add(QStringLiteral("Alpha"), QString(), 4);
        Preset* b = add(QStringLiteral("Beta"));
        {
            FavsKeyPadDlg pad(*m_favs);
            QCOMPARE(pad.windowTitle(), QStringLiteral("Keypad shortcuts"));
            QCOMPARE(pad.keyButton(3)->objectName(), QStringLiteral("btKey3"));
            QCOMPARE(pad.keyButton(3)->toolTip(), QStringLiteral("3. Alpha"));
            QCOMPARE(pad.keyButton(0)->toolTip(), QStringLiteral("0. Available"));
            QCOMPARE(pad.keyPadNum(), 0);
            pad.keyButton(0)->click();
            QCOMPARE(pad.keyPadNum(), 1);
        }
        FavoritesDlg dlg(m_favs.get());
        dlg.show();
        dlg.selectFavorite(b);
        onModal([](QDialog* d) {
            auto* pad = qobject_cast<FavsKeyPadDlg*>(d);
            QVERIFY(pad);
            pad->keyButton(7)->click();
            pad->accept();
        });
        dlg.slot_KeyPad();
        QCOMPARE(b->keyPadNum, 8);
        QCOMPARE(m_favs->findByKeyPad(8), b);

        // A favourite that has a shortcut loses it without a dialog.
        dlg.selectFavorite(a);
        dlg.slot_KeyPad();
        QCOMPARE(a->keyPadNum, 0);
        QVERIFY(!m_favs->findByKeyPad(4));
        m_favs->reload();
        QCOMPARE(m_favs->findByKeyPad(8)->title, QStringLiteral("Beta"));
    }

    // A directory station whose title is already a favourite: the question comes first.
    void addToFavorites_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("count");
        QTest::newRow("new title, no question") << "Other" << false << 0 << 2;
        QTest::newRow("same title, No") << "Jazz" << true << int(QMessageBox::No) << 1;
        QTest::newRow("same title, Yes adds a second entry")
            << "Jazz" << true << int(QMessageBox::Yes) << 2;
    }

    void addToFavorites() {
        QFETCH(QString, title);
        QFETCH(bool, asked);
        QFETCH(int, answer);
        QFETCH(int, count);
        add(QStringLiteral("Jazz"), QStringLiteral("Evening"));
        QVERIFY(m_favs->save());
        Preset directory;
        directory.title = title;
        directory.addSource(QStringLiteral("http://127.0.0.1/Jazz"));
        directory.computeId(false);

        bool questioned = false;
        std::function<void(QDialog*)> favoriteDialog = [](QDialog* d) {
            QVERIFY(qobject_cast<FavoriteDlg*>(d));
            d->accept();
        };
        if (asked) {
            onModal([&](QDialog* d) {
                auto* box = qobject_cast<QMessageBox*>(d);
                QVERIFY(box);
                questioned = true;
                QCOMPARE(box->text(),
                         QStringLiteral("Station already exists in your favorites. Add anyway?"));
                if (answer == QMessageBox::Yes)
                    onModal(favoriteDialog);
                box->button(QMessageBox::StandardButton(answer))->click();
            });
        } else {
            onModal(favoriteDialog);
        }
        Preset* added = FavoriteDlg::addToFavorites(*m_favs, directory);
        QCOMPARE(questioned, asked);
        QCOMPARE(added != nullptr, count == 2);
        QCOMPARE(m_favs->allPresets.size(), count);
        m_favs->reload();
        QCOMPARE(m_favs->allPresets.size(), count);
    }

    void splitDelay_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("ms");
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("tenths") << 2.3 << 2300;
        QTest::newRow("highest") << 9.9 << 9900;
        QTest::newRow("small") << 0.1 << 100;
    }

    void splitDelay() {
        QFETCH(double, seconds);
        QFETCH(int, ms);
        QCOMPARE(FavoriteDlg::splitDelayMs(seconds), ms);
        Preset p;
        p.splitDelay = ms;
        FavoriteDlg dlg(p, {});
        QCOMPARE(dlg.splitDelayBox()->value(), seconds);
        QCOMPARE(dlg.splitDelayBox()->maximum(), 9.9);
    }

    void refusedInput_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("sources");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("complete") << "Station"
                                  << "http://127.0.0.1/a\nhttp://127.0.0.1/b" << true;
        QTest::newRow("no name") << "  "
                                 << "http://127.0.0.1/a" << false;
        QTest::newRow("no source") << "Station"
                                   << " \n " << false;
    }

    void refusedInput() {
        QFETCH(QString, name);
        QFETCH(QString, sources);
        QFETCH(bool, accepted);
        FavoriteDlg dlg(Preset(), {QStringLiteral("Evening")});
        QSignalSpy invalid(&dlg, &FavoriteDlg::signal_Invalid);
        dlg.nameEdit()->setText(name);
        dlg.sourceEdit()->setPlainText(sources);
        dlg.accept();
        QCOMPARE(dlg.result() == QDialog::Accepted, accepted);
        QCOMPARE(invalid.isEmpty(), accepted);
        if (accepted)
            QCOMPARE(dlg.preset().sources.size(), 2);
    }

    // The link explains where a station's stream address is found, without the network.
    void streamUrlHelpExplains() {
        FavoriteDlg dlg(Preset(), {});
        auto* link = dlg.findChild<QLabel*>(QStringLiteral("StreamUrlHelp"));
        QVERIFY(link);
        QString title;
        QString text;
        onModal([&](QDialog* d) {
            title = d->windowTitle();
            text = qobject_cast<QMessageBox*>(d)->text();
            d->accept();
        });
        emit link->linkActivated(QStringLiteral("help"));
        QCOMPARE(title, QStringLiteral("Finding a stream URL"));
        QVERIFY(text.contains(QStringLiteral(".pls")));
    }
};

QTEST_MAIN(TestFavoritesDlg)
#include "tst_favoritesdlg.moc"
