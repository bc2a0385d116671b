#include "stations/listsaver.h"

#include "stations/radiostations.h"

#include <QFile>
#include <QSaveFile>

QString ListSaver::withSuffix(const QString& fileName, const QString& suffix) {
    // Only the extension is replaced: a folder whose name holds ".xml" stays as it is.
    const QString ext = QStringLiteral(".xml");
    const qsizetype at = fileName.lastIndexOf(ext);
    if (at < 0)
        return fileName + suffix;
    return fileName.left(at) + suffix + fileName.mid(at + ext.size());
}

QString ListSaver::backupName(const QString& fileName) {
    return withSuffix(fileName, QStringLiteral("_bak.xml"));
}

QString ListSaver::swapName(const QString& fileName) {
    return withSuffix(fileName, QStringLiteral(".tmp.xml"));
}

ListSaver::Result ListSaver::save(RadioStations& list, const QString& fileName, QString& reason) {
    const QString backup = backupName(fileName);
    QFile::remove(backup);
    QFile::copy(fileName, backup);

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        reason = file.errorString();
        return Result::OpenFailed;
    }
    list.write(&file);
    list.writer.setDevice(nullptr);
    if (!file.commit()) {
        reason = file.errorString();
        return Result::WriteFailed;
    }
    return Result::Saved;
}

void ListSaver::swapWithBackup(const QString& fileName) {
    const QString swap = swapName(fileName);
    const QString backup = backupName(fileName);
    QFile::rename(fileName, swap);
    QFile::rename(backup, fileName);
    QFile::rename(swap, backup);
}
