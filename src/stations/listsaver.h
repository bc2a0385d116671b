#pragma once

#include <QString>

class RadioStations;

// Writes a personal station list to its file without ever losing the previous version: the new
// text goes to a temporary file in the same folder, is flushed and checked, the old file is then
// copied to its backup ("_bak.xml"), and only then does the new file replace the old one. A full
// disk, a read-only folder or a crash mid-write leaves the previous file and backup in place.
// GUI thread; used on the stack by the lists.
class ListSaver {
public:
    enum class Result { Saved, OpenFailed, WriteFailed };
    // Keep leaves the backup as it is: the list in memory is not the whole file it came from.
    enum class Backup { Refresh, Keep };

    // The backup name of a list file: its ".xml" replaced by "_bak.xml".
    static QString backupName(const QString& fileName);
    // The name used while the file and its backup swap places: ".xml" replaced by ".tmp.xml".
    static QString swapName(const QString& fileName);
    // A free name beside fileName for a file that could not be read, holding the date and time.
    static QString setAsideName(const QString& fileName);

    // Saves list (through its write()) to fileName. On failure, reason holds the system's text.
    static Result save(RadioStations& list, const QString& fileName, Backup backup,
                       QString& reason);

    // Swaps the file and its backup. The results of the renames are not checked: the caller
    // reloads from whatever the file holds afterwards.
    static void swapWithBackup(const QString& fileName);

private:
    static QString withSuffix(const QString& fileName, const QString& suffix);
    // Replaces target by a copy of source, all or nothing.
    static bool copyReplacing(const QString& source, const QString& target, QString& reason);
};
