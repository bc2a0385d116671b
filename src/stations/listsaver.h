#pragma once

#include <QString>

class RadioStations;

// Writes a personal station list to its file without ever losing the previous version: the old
// file is first copied to its backup ("_bak.xml"), then the new text goes to a temporary file in
// the same folder that replaces the old one only once it is complete. A full disk or a crash
// mid-write leaves the previous file in place. GUI thread; used on the stack by the lists.
class ListSaver {
public:
    enum class Result { Saved, OpenFailed, WriteFailed };

    // The backup name of a list file: its ".xml" replaced by "_bak.xml".
    static QString backupName(const QString& fileName);
    // The name used while the file and its backup swap places: ".xml" replaced by ".tmp.xml".
    static QString swapName(const QString& fileName);

    // Saves list (through its write()) to fileName. On failure, reason holds the system's text.
    static Result save(RadioStations& list, const QString& fileName, QString& reason);

    // Swaps the file and its backup. The results of the renames are not checked: the caller
    // reloads from whatever the file holds afterwards.
    static void swapWithBackup(const QString& fileName);

private:
    static QString withSuffix(const QString& fileName, const QString& suffix);
};
