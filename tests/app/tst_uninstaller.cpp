// Tests of removing the user's settings and data: the program's own files and song covers go,
// foreign files beside a portable copy, in a chosen data folder or among the covers stay, and
// folders go only when empty.

#include "app/uninstaller.h"
#include "coverart/covercache.h"
#include "settings/appsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

} // namespace

class TestUninstaller : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;

    QString path(const QString& relative) const { return m_root->filePath(relative); }
    QString prefix() const { return path(QStringLiteral("prefix")); }

private slots:
    void init() {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(m_root->isValid());
        qputenv("HOME", QFile::encodeName(path(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(QStringLiteral("xdg-data"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(QStringLiteral("xdg-config"))));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(path(QStringLiteral("xdg-cache"))));
    }
    void cleanup() { m_root.reset(); }

    void portableCopyKeepsForeignFilesAndItsFolder() {
        const QString app = path(QStringLiteral("Downloads/"));
        for (const char* name :
             {"quillowave", "presets.xml.gz", "my-notes.txt", "favorites.xml", "favorites_bak.xml",
              "history.xml", "wishlist.txt", "Recordings/song.mp3", "Other/keep.txt"})
            touch(app + QLatin1String(name));
        AppSettings settings(app, QStringList{prefix()});
        QVERIFY(settings.isPortable());
        settings.setVolume(40);

        const Uninstaller::Plan plan = Uninstaller::plan(settings);
        const QString question = Uninstaller::question(plan);
        QVERIFY(
            question.startsWith(QStringLiteral("Do you want to remove your settings and data?")));
        QVERIFY(question.contains(app + QStringLiteral("favorites.xml")));
        QVERIFY(question.contains(settings.settingsFile()));
        QVERIFY(!question.contains(QStringLiteral("my-notes.txt")));
        QVERIFY(!question.contains(QStringLiteral("presets.xml.gz")));
        QCOMPARE(Uninstaller::remove(plan), QStringList());

        for (const char* gone :
             {"favorites.xml", "favorites_bak.xml", "history.xml", "wishlist.txt", "Hollowmere"})
            QVERIFY2(!QFileInfo::exists(app + QLatin1String(gone)), gone);
        for (const char* kept : {"quillowave", "presets.xml.gz", "my-notes.txt",
                                 "Recordings/song.mp3", "Other/keep.txt"})
            QVERIFY2(QFileInfo::exists(app + QLatin1String(kept)), kept);
    }

    void installedCopyLeavesAChosenDataFolderAndItsForeignFiles() {
        const QString program = prefix() + QStringLiteral("/bin");
        QDir().mkpath(program);
        auto settings = std::make_unique<AppSettings>(program, QStringList{prefix()});
        QVERIFY(!settings->isPortable());
        const QString chosen = path(QStringLiteral("Music/radio/"));
        touch(chosen + QStringLiteral("favorites.xml"));
        touch(chosen + QStringLiteral("history_bak.xml"));
        touch(chosen + QStringLiteral("presets.xml.gz"));
        touch(chosen + QStringLiteral("holiday.jpg"));
        settings->setDataFolder(chosen);
        touch(chosen + QStringLiteral("playedtitles.tsv"));
        const QString defaultData = path(QStringLiteral("xdg-data/Quillowave/"));
        touch(defaultData + QStringLiteral("history.xml"));
        const QString covers = path(QStringLiteral("xdg-cache/Quillowave/covers/"));
        const QString cover = covers + CoverCache::Key("Artist", "Title") + QStringLiteral(".jpg");
        touch(cover);
        touch(covers + CoverCache::Key("Other", "Song") + QStringLiteral(".png"));

        const Uninstaller::Plan plan = Uninstaller::plan(*settings);
        QVERIFY(!plan.folders.contains(chosen));
        QCOMPARE(plan.covers.size(), 2);
        const QString question = Uninstaller::question(plan);
        // The covers are named by their folder, not one by one.
        QVERIFY(question.contains(QStringLiteral("The song covers kept in this folder will be "
                                                 "removed:\n  ") +
                                  QDir::cleanPath(covers)));
        QVERIFY(!question.contains(cover));
        QCOMPARE(Uninstaller::remove(plan), QStringList());

        QVERIFY(QFileInfo::exists(chosen + QStringLiteral("holiday.jpg")));
        for (const char* gone :
             {"favorites.xml", "history_bak.xml", "presets.xml.gz", "playedtitles.tsv"})
            QVERIFY2(!QFileInfo::exists(chosen + QLatin1String(gone)), gone);
        for (const char* gone :
             {"xdg-data/Quillowave", "xdg-config/Quillowave", "xdg-cache/Quillowave"})
            QVERIFY2(!QFileInfo::exists(path(QLatin1String(gone))), gone);
        QVERIFY(QFileInfo::exists(path(QStringLiteral("xdg-data"))));
    }

    void aFolderWithSomethingElseInItStays() {
        const QString program = prefix() + QStringLiteral("/bin");
        QDir().mkpath(program);
        AppSettings settings(program, QStringList{prefix()});
        const QString data = path(QStringLiteral("xdg-data/Quillowave/"));
        touch(data + QStringLiteral("favorites.xml"));
        touch(data + QStringLiteral("station-logo.png"));
        // A file the user put among the covers is not one of them.
        const QString covers = path(QStringLiteral("xdg-cache/Quillowave/covers/"));
        touch(covers + CoverCache::Key("Artist", "Title") + QStringLiteral(".jpg"));
        touch(covers + QStringLiteral("my-own.jpg"));
        const Uninstaller::Plan plan = Uninstaller::plan(settings);
        QCOMPARE(plan.covers.size(), 1);
        QCOMPARE(Uninstaller::remove(plan), QStringList());
        QVERIFY(!QFileInfo::exists(data + QStringLiteral("favorites.xml")));
        QVERIFY(QFileInfo::exists(data + QStringLiteral("station-logo.png")));
        QVERIFY(QFileInfo::exists(covers + QStringLiteral("my-own.jpg")));
        QVERIFY(Uninstaller::plan(settings).covers.isEmpty());
        QVERIFY(Uninstaller::plan(settings).files.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestUninstaller)
#include "tst_uninstaller.moc"
