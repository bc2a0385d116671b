#include "app/uninstaller.h"

#include "coverart/covercache.h"
#include "recording/playedtitles.h"
#include "settings/appsettings.h"
#include "settings/userfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString listed(const QStringList& paths) {
    QStringList lines;
    for (const QString& path : paths)
        lines << QStringLiteral("  ") + QDir::toNativeSeparators(path);
    return lines.join(u'\n');
}

} // namespace

QStringList Uninstaller::dataFileNames(const AppSettings& settings) {
    QStringList names;
    for (const QString& list : {QStringLiteral("favorites"), QStringLiteral("history")}) {
        names << list + QStringLiteral(".xml") << list + QStringLiteral("_bak.xml")
              << list + QStringLiteral(".tmp.xml");
    }
    names << QStringLiteral("wishlist.txt") << PlayedTitles::FileName()
          << QStringLiteral("Versewell.txt") << QStringLiteral("presets.txt");
    // A portable copy's directory beside the program is the one it was shipped with.
    const UserFolders folders(settings.programFolder(), settings.isPortable());
    if (settings.dataFolder() != folders.bundled())
        names << settings.PresetsFileUncompressed() << settings.PresetsFileCompressed();
    names.removeDuplicates();
    return names;
}

QStringList Uninstaller::writtenFiles(const AppSettings& settings) {
    const UserFolders folders(settings.programFolder(), settings.isPortable());
    QStringList files{settings.settingsFile()};
    QStringList dataFolders{settings.dataFolder(), folders.data()};
    dataFolders.removeDuplicates();
    for (const QString& folder : dataFolders) {
        for (const QString& name : dataFileNames(settings))
            files << folder + name;
    }
    return files;
}

QString Uninstaller::coversFolder(const AppSettings& settings) {
    const UserFolders folders(settings.programFolder(), settings.isPortable());
    return QDir::toNativeSeparators(CoverCache::FolderIn(folders.cache())) + QDir::separator();
}

QStringList Uninstaller::createdFolders(const AppSettings& settings) {
    const UserFolders folders(settings.programFolder(), settings.isPortable());
    const QString settingsFolder = QFileInfo(settings.settingsFile()).absolutePath();
    QStringList created{QDir::toNativeSeparators(settingsFolder) + QDir::separator(),
                        coversFolder(settings), folders.cache()};
    // A portable copy's own folder is the program's; a chosen data folder is the user's.
    if (!settings.isPortable())
        created << folders.config() << folders.data();
    created.removeDuplicates();
    return created;
}

Uninstaller::Plan Uninstaller::plan(const AppSettings& settings) {
    Plan plan;
    for (const QString& file : writtenFiles(settings)) {
        if (QFileInfo(file).isFile())
            plan.files << file;
    }
    plan.covers = CoverCache(coversFolder(settings)).Files();
    for (const QString& folder : createdFolders(settings)) {
        if (QFileInfo(folder).isDir())
            plan.folders << folder;
    }
    return plan;
}

QString Uninstaller::question(const Plan& plan) {
    QString text = tr("Do you want to remove your settings and data?");
    if (!plan.files.isEmpty())
        text += QStringLiteral("\n\n") + tr("These files will be removed:") + u'\n' +
                listed(plan.files);
    if (!plan.covers.isEmpty())
        text += QStringLiteral("\n\n") + tr("The song covers kept in this folder will be removed:") +
                u'\n' + listed({QFileInfo(plan.covers.first()).absolutePath()});
    if (!plan.folders.isEmpty())
        text += QStringLiteral("\n\n") +
                tr("These folders will be removed when nothing else is left in them:") + u'\n' +
                listed(plan.folders);
    return text;
}

QStringList Uninstaller::remove(const Plan& plan) {
    QStringList failed;
    for (const QString& file : plan.files + plan.covers) {
        if (!QFile::remove(file) && QFileInfo::exists(file))
            failed << file;
    }
    for (const QString& folder : plan.folders) {
        // rmdir refuses a folder that still holds anything, which is exactly the rule.
        const QDir dir(folder);
        if (dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) &&
            !QDir().rmdir(folder))
            failed << folder;
    }
    return failed;
}
