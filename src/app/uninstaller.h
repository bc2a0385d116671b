#pragma once

// Removal of the user's settings and data: only the files the program writes, then the folders it
// created when nothing else is left in them, so that foreign files beside a portable copy or in a
// data folder the user chose stay untouched. GUI thread; plain values, nothing owned.

#include <QCoreApplication>
#include <QStringList>

class AppSettings;

class Uninstaller {
    Q_DECLARE_TR_FUNCTIONS(Uninstaller)
public:
    // What one removal takes away: the existing files and the existing candidate folders.
    struct Plan {
        QStringList files;
        // The song covers kept in the covers folder, named in the question by their folder.
        QStringList covers;
        QStringList folders;
        bool isEmpty() const { return files.isEmpty() && covers.isEmpty() && folders.isEmpty(); }
    };

    static Plan plan(const AppSettings& settings);
    // The question that names everything the plan removes.
    static QString question(const Plan& plan);
    // Removes the plan's files, then each folder that is empty by then; returns the paths that
    // could not be removed (folders that still hold something are not failures).
    static QStringList remove(const Plan& plan);

    // Every file the program writes, whether it exists or not: the settings file and the lists,
    // logs and directory copies in the data folder (the chosen one and the default one). The
    // covers are not among them: the cache names them after the songs.
    static QStringList writtenFiles(const AppSettings& settings);
    // The folders the program creates, innermost first; never a portable copy's own folder or a
    // data folder the user chose.
    static QStringList createdFolders(const AppSettings& settings);

private:
    static QStringList dataFileNames(const AppSettings& settings);
    static QString coversFolder(const AppSettings& settings);
};
