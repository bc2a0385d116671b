// The station directory the program ships: it loads without a message, every station can be
// played, every country group shows its flag, and the tree has the expected shape.
#include "settings/appsettings.h"
#include "stations/bramblerstations.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>

class TestBundledDirectory : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    BramblerStations* m_list = nullptr;

    void walk(const RadioStations::GroupList& groups, const std::function<void(const Group&)>& f) {
        for (const auto& g : groups) {
            f(*g);
            walk(g->children, f);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        AppSettings::setInstanceProgramFolder(m_dir.path());
        m_list = new BramblerStations(this);
        m_list->setInteractive(false);
        m_list->load(QStringLiteral(QW_BUNDLED_PRESETS));
        QCOMPARE(m_list->messages(), QStringList());
    }

    void rootAndVersion() {
        QVERIFY(m_list->version > 0);
        for (const auto& g : std::as_const(m_list->topGroups))
            QCOMPARE(g->kind, int(Group::KindTop));
    }

    void everyStationPlayable() {
        QVERIFY(m_list->allPresets.size() >= 200);
        QSet<QString> urls;
        for (const auto& p : std::as_const(m_list->allPresets)) {
            QVERIFY2(!p->title.isEmpty(), qPrintable(p->firstUrl));
            QVERIFY2(!p->sources.isEmpty(), qPrintable(p->title));
            for (const QString& s : std::as_const(p->sources)) {
                QVERIFY2(s.contains(QLatin1String("://")), qPrintable(p->title + ": " + s));
                const QUrl url(s, QUrl::StrictMode);
                QVERIFY2(url.isValid() && !url.host().isEmpty(), qPrintable(p->title + ": " + s));
                QVERIFY2(!urls.contains(s), qPrintable("listed twice: " + s));
                urls.insert(s);
            }
            QVERIFY2(!p->genre.isEmpty(), qPrintable(p->title));
            QVERIFY2(p->website.startsWith(QLatin1String("http")), qPrintable(p->title));
        }
    }

    void everyCountryHasAFlag() {
        int countryGroups = 0;
        walk(m_list->topGroups, [&](const Group& g) {
            if (g.parent && !g.parent->parent) {
                // Directly below a region: a country, unless it is a genre or network group.
                QVERIFY2(g.kind == Group::KindCountry, qPrintable(g.title));
            }
            if (g.kind == Group::KindCountry) {
                ++countryGroups;
                QVERIFY2(g.icon && !g.icon->isNull(), qPrintable(g.title));
            }
        });
        QVERIFY(countryGroups >= 20);
        for (const auto& p : std::as_const(m_list->allPresets)) {
            QVERIFY2(!p->country.isEmpty(), qPrintable(p->title));
            QVERIFY2(p->flagIcon, qPrintable(p->title));
        }
    }

    void statesOnlyBelowStateCountries() {
        walk(m_list->topGroups, [&](const Group& g) {
            if (!g.parent || g.parent->kind != Group::KindCountry)
                return;
            const QString country = g.parent->name;
            const QMap<QString, QString>* table = nullptr;
            if (country == QLatin1String("USA"))
                table = &RadioStations::usStates();
            else if (country == QLatin1String("Canada"))
                table = &RadioStations::canadaStates();
            else if (country == QLatin1String("Australia"))
                table = &RadioStations::australiaStates();
            QVERIFY2(table, qPrintable("sub-group of " + country + ": " + g.title));
            QVERIFY2(table->values().contains(g.name), qPrintable(g.title));
        });
    }

    void nameListsFilled() {
        QVERIFY(!m_list->genres.isEmpty());
        QVERIFY(!m_list->ethnicGenres.isEmpty());
        QVERIFY(!m_list->networks.isEmpty());
        // Every genre offered in the menu finds at least one station.
        for (const QString& genre : std::as_const(m_list->genres)) {
            QList<Preset*> found;
            m_list->findByGenre(genre, found);
            QVERIFY2(!found.isEmpty(), qPrintable(genre));
        }
    }
};

QTEST_MAIN(TestBundledDirectory)
#include "tst_bundleddirectory.moc"
